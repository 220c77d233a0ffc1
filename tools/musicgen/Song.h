#pragma once

#include "Dsp.h"

#include <cmath>
#include <cstdint>
#include <string>

namespace musicgen {

// The demo's timeline runs 16 rows per beat at this tempo; bar b starts at row b * 64.
constexpr double kBpm = 110.0;
constexpr int kBeatsPerBar = 4;
constexpr int kStepsPerBeat = 4; // the score's grid is sixteenth notes
constexpr int kStepsPerBar = kBeatsPerBar * kStepsPerBeat;
constexpr int kRowsPerBeat = 16;

inline double secondsPerStep() { return 60.0 / kBpm / kStepsPerBeat; }
inline double framesPerStep() { return kSampleRate * secondsPerStep(); }
// Rounded from the exact position, so long songs never drift off the beat.
inline int64_t frameAtStep(double step) { return std::llround(step * framesPerStep()); }
inline int64_t frameAtBar(int bar) { return frameAtStep(static_cast<double>(bar) * kStepsPerBar); }
inline double barAtFrame(int64_t frame) { return static_cast<double>(frame) / framesPerStep() / kStepsPerBar; }

struct Section {
    std::string name;
    int firstBar;
    int endBar; // exclusive
};

}
