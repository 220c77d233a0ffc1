#include "engine/Config.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// The C locale's white space, which is what \s means in the entry pattern.
bool isSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

struct EntryMatch {
    size_t keyBegin = 0;
    size_t keyEnd = 0;
    size_t valueBegin = 0;
    size_t valueEnd = 0; // the ';' that closes the entry
};

// An entry is "(\S+?)\s+=\s(\S+?);". Because the key is followed by white space,
// it always runs to the end of its word, and the gap before "=" is all of the
// white space after it; so whether an entry starts at `begin` depends only on the
// word `begin` lies in. `wordEnd` reports where that word ends, letting the caller
// skip every other start inside it: the search stays linear, where a backtracking
// regex engine takes quadratic time and recurses once per character of a word.
bool matchEntryAt(const std::string& text, size_t begin, EntryMatch& match, size_t& wordEnd)
{
    const size_t size = text.size();
    size_t keyEnd = begin;
    while (keyEnd < size && !isSpace(text[keyEnd])) {
        ++keyEnd;
    }
    wordEnd = keyEnd;
    size_t equals = keyEnd;
    while (equals < size && isSpace(text[equals])) {
        ++equals;
    }
    if (equals + 2 >= size || text[equals] != '=' || !isSpace(text[equals + 1])) {
        return false;
    }
    // The value's first character may itself be ';'; it ends at the first ';' after that.
    size_t valueBegin = equals + 2;
    if (isSpace(text[valueBegin])) {
        return false;
    }
    size_t valueEnd = valueBegin + 1;
    while (valueEnd < size && !isSpace(text[valueEnd]) && text[valueEnd] != ';') {
        ++valueEnd;
    }
    if (valueEnd >= size || text[valueEnd] != ';') {
        return false;
    }
    match = EntryMatch{begin, keyEnd, valueBegin, valueEnd};
    return true;
}

// atoi's grammar (leading white space, optional sign, decimal digits), but
// saturating at the ends of the 32-bit range instead of overflowing.
int parseInt(const std::string& text)
{
    size_t i = 0;
    while (i < text.size() && isSpace(text[i])) {
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
    // Read until the end rather than trusting a length, and stop at the first NUL:
    // nothing after it is text, and a device or pipe named Config.txt still ends.
    std::string text;
    std::vector<char> chunk(64 * 1024);
    size_t got = 0;
    while ((got = std::fread(chunk.data(), 1, chunk.size(), file)) > 0) {
        text.append(chunk.data(), got);
        if (std::memchr(chunk.data(), '\0', got) != nullptr) {
            break;
        }
    }
    std::fclose(file);
    parse(text);
    return true;
}

void Config::parse(const std::string& text)
{
    const std::string body = text.substr(0, text.find('\0'));
    size_t pos = 0;
    while (pos < body.size()) {
        if (isSpace(body[pos])) {
            ++pos;
            continue;
        }
        EntryMatch match;
        size_t wordEnd = 0;
        if (!matchEntryAt(body, pos, match, wordEnd)) {
            pos = wordEnd;
            continue;
        }
        // emplace keeps the first value of a key that occurs again.
        entries.emplace(body.substr(match.keyBegin, match.keyEnd - match.keyBegin),
                        body.substr(match.valueBegin, match.valueEnd - match.valueBegin));
        pos = match.valueEnd + 1;
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
