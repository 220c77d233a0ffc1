#pragma once

#include <map>
#include <string>

// Settings read from a loosely formatted text file: entries "key = value;"
// found anywhere in the text, the first occurrence of a key winning.
class Config {
public:
    bool read(const char* path);
    // Parses text already in memory; read() ends here. The text stops at its first NUL.
    void parse(const std::string& text);

    std::string getString(const std::string& key) const;
    int getInt(const std::string& key) const;
    bool getBool(const std::string& key) const;

    std::map<std::string, std::string> entries;
};
