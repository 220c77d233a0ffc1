#pragma once

#include <cstdint>
#include <string>

// The words and numbers of the timeline text, shared by its parser and by dump.
constexpr int32_t kRowsPerBeat = 16;
constexpr int32_t kBeatsPerBar = 4;
constexpr int32_t kRowsPerBar = kRowsPerBeat * kBeatsPerBar;

// "step", "linear", "smooth" or "ramp"; nullptr for a type the demo does not know.
const char* interpolationName(int32_t type);
bool parseInterpolation(const std::string& word, int32_t& type);

// The shortest text that reads back as exactly the same float (NaNs keep their bits).
std::string formatValue(float value);
// The value with the fewest decimals that lies within tolerance of value: what a
// drag that can only place a key to within half a pixel means, written as people
// write values by hand (0.546, not 0.5459259). Value itself where nothing shorter fits.
float shortestValueWithin(float value, float tolerance);
// Explains the problem in error when the word is no float.
bool parseValue(const std::string& word, float& value, std::string& error);

// "bar:beat:row" counted from 0 for rows from 0 on, the plain row below that.
std::string formatPosition(int32_t row);

// A whole decimal integer with an optional sign, and nothing else.
bool parseInteger(const std::string& word, int64_t& value);
