#include "authoring/TrackText.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr const char* kInterpolationNames[] = {"step", "linear", "smooth", "ramp"};
constexpr uint32_t kDefaultNaNBits = 0x7fc00000u;
constexpr const char* kNaNWord = "nan";
constexpr const char* kNaNBitsPrefix = "nan:";
constexpr int kMaxFloatDigits = 9;
// Longer plain numbers (1e+20) keep their exponent.
constexpr size_t kMaxPlainLength = 12;

uint32_t floatBits(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

float floatFromBits(uint32_t bits)
{
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

bool parseNaN(const std::string& word, float& value, std::string& error)
{
    if (word == kNaNWord) {
        value = floatFromBits(kDefaultNaNBits);
        return true;
    }
    size_t prefix = std::strlen(kNaNBitsPrefix);
    std::string digits = word.compare(0, prefix, kNaNBitsPrefix) == 0 ? word.substr(prefix) : "";
    char* end = nullptr;
    unsigned long bits = std::strtoul(digits.c_str(), &end, 16);
    bool hex = !digits.empty() && digits.size() <= 8 && *end == '\0' && digits[0] != '-' && digits[0] != '+';
    value = floatFromBits(static_cast<uint32_t>(bits));
    if (!hex || !std::isnan(value)) {
        error = "'" + word + "' is not a NaN; write nan or nan:XXXXXXXX with the float's 8 hex digits";
        return false;
    }
    return true;
}

}

const char* interpolationName(int32_t type)
{
    if (type < 0 || type > 3) {
        return nullptr;
    }
    return kInterpolationNames[type];
}

bool parseInterpolation(const std::string& word, int32_t& type)
{
    for (int32_t i = 0; i < 4; ++i) {
        if (word == kInterpolationNames[i]) {
            type = i;
            return true;
        }
    }
    return false;
}

std::string formatValue(float value)
{
    if (std::isnan(value)) {
        uint32_t bits = floatBits(value);
        if (bits == kDefaultNaNBits) {
            return kNaNWord;
        }
        char text[16];
        std::snprintf(text, sizeof text, "%s%08x", kNaNBitsPrefix, bits);
        return text;
    }
    char text[32];
    for (int digits = 1; digits <= kMaxFloatDigits; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, static_cast<double>(value));
        if (floatBits(std::strtof(text, nullptr)) == floatBits(value)) {
            break;
        }
    }
    // People write 100, not 1e+02: a whole or short number keeps its plain form.
    if (std::strchr(text, 'e') != nullptr) {
        char plain[32];
        for (int decimals = 0; decimals < kMaxFloatDigits; ++decimals) {
            std::snprintf(plain, sizeof plain, "%.*f", decimals, static_cast<double>(value));
            if (floatBits(std::strtof(plain, nullptr)) == floatBits(value)) {
                return std::strlen(plain) <= kMaxPlainLength ? plain : text;
            }
        }
    }
    return text;
}

float shortestValueWithin(float value, float tolerance)
{
    if (!std::isfinite(value) || !(tolerance > 0.0f)) {
        return value;
    }
    double scale = 1.0;
    for (int decimals = 0; decimals < kMaxFloatDigits; ++decimals, scale *= 10.0) {
        const float rounded = static_cast<float>(std::round(static_cast<double>(value) * scale) / scale);
        if (std::fabs(static_cast<double>(rounded) - value) <= tolerance) {
            return rounded;
        }
    }
    return value;
}

bool parseValue(const std::string& word, float& value, std::string& error)
{
    if (word.compare(0, std::strlen(kNaNWord), kNaNWord) == 0) {
        return parseNaN(word, value, error);
    }
    char* end = nullptr;
    errno = 0;
    value = std::strtof(word.c_str(), &end);
    if (word.empty() || *end != '\0') {
        error = "'" + word + "' is not a number";
        return false;
    }
    if (std::isnan(value)) {
        error = "write a NaN as nan or nan:XXXXXXXX with the float's 8 hex digits, not '" + word + "'";
        return false;
    }
    bool infinityWritten = word.find_first_of("iI") != std::string::npos;
    if (std::isinf(value) && !infinityWritten) {
        error = "'" + word + "' is beyond the range of a float";
        return false;
    }
    return true;
}

std::string formatPosition(int32_t row)
{
    if (row < 0) {
        return std::to_string(row);
    }
    int32_t bar = row / kRowsPerBar;
    int32_t beat = (row % kRowsPerBar) / kRowsPerBeat;
    int32_t rowInBeat = row % kRowsPerBeat;
    return std::to_string(bar) + ":" + std::to_string(beat) + ":" + std::to_string(rowInBeat);
}

bool parseInteger(const std::string& word, int64_t& value)
{
    size_t digitsStart = (!word.empty() && (word[0] == '-' || word[0] == '+')) ? 1 : 0;
    if (word.size() == digitsStart || word.size() - digitsStart > 12) {
        return false;
    }
    for (size_t i = digitsStart; i < word.size(); ++i) {
        if (word[i] < '0' || word[i] > '9') {
            return false;
        }
    }
    value = std::strtoll(word.c_str(), nullptr, 10);
    return true;
}
