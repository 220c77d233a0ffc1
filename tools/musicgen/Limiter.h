#pragma once

#include "StereoBuffer.h"

namespace musicgen {

// A look-ahead peak limiter over the whole song, both sides with one gain.
// The gain is the minimum needed over the look-ahead window, released slowly
// and smoothed by a moving average as long as the window, so it never has to
// jump and no sample ends above the ceiling. Peaks are found between samples
// too; there the result may exceed the ceiling by a hair (about 0.01 dB),
// since the gain moves within the interpolation kernel.
// What it did, so an author can tell a mix that leans on it too hard.
struct LimiterStats {
    double maxReductionDb = 0.0;
    double reducedFraction = 0.0; // of frames turned down by more than 1 dB
};

LimiterStats applyLimiter(StereoBuffer& mix, double ceiling, double lookaheadSeconds, double releaseSeconds);

}
