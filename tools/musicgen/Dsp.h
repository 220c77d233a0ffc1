#pragma once

#include <cmath>
#include <cstdint>

namespace musicgen {

constexpr int kSampleRate = 44100;
constexpr double kPi = 3.14159265358979323846;

inline double midiToHz(double note) { return 440.0 * std::pow(2.0, (note - 69.0) / 12.0); }
inline double dbToGain(double db) { return std::pow(10.0, db / 20.0); }
inline double gainToDb(double gain) { return gain > 1e-12 ? 20.0 * std::log10(gain) : -240.0; }
inline int64_t secondsToFrames(double seconds) { return static_cast<int64_t>(std::ceil(seconds * kSampleRate)); }

}
