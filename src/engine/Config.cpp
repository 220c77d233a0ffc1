#include "engine/Config.h"

#include <cctype>
#include <climits>
#include <cstdio>
#include <regex>
#include <vector>

namespace {

// key, white space, "=", exactly one white-space character, value, ";"
const std::regex kEntryPattern("(\\S+?)\\s+=\\s(\\S+?);", std::regex::ECMAScript);

// atoi's grammar (leading white space, optional sign, decimal digits), but
// saturating at the ends of the 32-bit range instead of overflowing.
int parseInt(const std::string& text)
{
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) {
            break;
        }
    }
    if (negative) {
        value = -value;
    }
    if (value > INT_MAX) {
        return INT_MAX;
    }
    if (value < INT_MIN) {
        return INT_MIN;
    }
    return static_cast<int>(value);
}

}

bool Config::read(const char* path)
{
    FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return false;
    }
    std::string text;
    std::vector<char> chunk(64 * 1024);
    size_t got = 0;
    while ((got = std::fread(chunk.data(), 1, chunk.size(), file)) > 0) {
        text.append(chunk.data(), got);
    }
    std::fclose(file);
    parse(text);
    return true;
}

void Config::parse(const std::string& text)
{
    std::string body = text.substr(0, text.find('\0'));
    for (std::sregex_iterator it(body.begin(), body.end(), kEntryPattern), end; it != end; ++it) {
        entries.emplace((*it)[1].str(), (*it)[2].str());
    }
}

std::string Config::getString(const std::string& key) const
{
    auto found = entries.find(key);
    return found == entries.end() ? std::string() : found->second;
}

int Config::getInt(const std::string& key) const
{
    std::string value = getString(key);
    return value.empty() ? -1 : parseInt(value);
}

bool Config::getBool(const std::string& key) const
{
    std::string value = getString(key);
    for (char& c : value) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return value == "true";
}
