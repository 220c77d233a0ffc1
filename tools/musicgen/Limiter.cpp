#include "Limiter.h"

#include "Dsp.h"
#include "TruePeak.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <vector>

namespace musicgen {

namespace {

// The gain each frame needs on its own to stay at or under the ceiling,
// between samples too, so decoders and converters do not overshoot it.
std::vector<double> neededGain(const StereoBuffer& mix, double ceiling)
{
    std::vector<double> gain = framePeaks(mix);
    for (double& g : gain) {
        g = g > ceiling ? ceiling / g : 1.0;
    }
    return gain;
}

// Minimum over [i, i + window), by a monotonic queue in one pass.
std::vector<double> minimumAhead(const std::vector<double>& gain, size_t window)
{
    std::vector<double> result(gain.size());
    std::deque<size_t> candidates;
    for (size_t j = gain.size(); j-- > 0;) {
        while (!candidates.empty() && gain[candidates.back()] >= gain[j]) {
            candidates.pop_back();
        }
        candidates.push_back(j);
        while (candidates.front() >= j + window) {
            candidates.pop_front();
        }
        result[j] = gain[candidates.front()];
    }
    return result;
}

// Lets the gain recover gradually; taking the minimum keeps it under what is needed.
void release(std::vector<double>& gain, double coefficient)
{
    for (size_t i = 1; i < gain.size(); ++i) {
        double recovered = gain[i - 1] + (1.0 - gain[i - 1]) * coefficient;
        gain[i] = std::min(gain[i], recovered);
    }
}

// Mean over [i - window + 1, i]; each term covers frame i, so the mean stays under its need.
std::vector<double> averageBehind(const std::vector<double>& gain, size_t window)
{
    std::vector<double> result(gain.size());
    double sum = 0.0;
    for (size_t i = 0; i < gain.size(); ++i) {
        sum += gain[i];
        // Before the first full window the first value stands in for the missing ones.
        double missing = i + 1 < window ? static_cast<double>(window - i - 1) * gain[0] : 0.0;
        if (i >= window) {
            sum -= gain[i - window];
        }
        result[i] = (sum + missing) / static_cast<double>(window);
    }
    return result;
}

}

LimiterStats applyLimiter(StereoBuffer& mix, double ceiling, double lookaheadSeconds, double releaseSeconds)
{
    LimiterStats stats;
    if (mix.frames() == 0) {
        return stats;
    }
    size_t window = static_cast<size_t>(std::max<int64_t>(1, secondsToFrames(lookaheadSeconds)));
    std::vector<double> gain = minimumAhead(neededGain(mix, ceiling), window);
    release(gain, 1.0 - std::exp(-1.0 / (releaseSeconds * kSampleRate)));
    gain = averageBehind(gain, window);
    const double oneDb = dbToGain(-1.0);
    size_t reduced = 0;
    double lowest = 1.0;
    for (size_t i = 0; i < gain.size(); ++i) {
        mix.left[i] = static_cast<float>(mix.left[i] * gain[i]);
        mix.right[i] = static_cast<float>(mix.right[i] * gain[i]);
        lowest = std::min(lowest, gain[i]);
        reduced += gain[i] < oneDb ? 1 : 0;
    }
    stats.maxReductionDb = -gainToDb(lowest);
    stats.reducedFraction = static_cast<double>(reduced) / static_cast<double>(gain.size());
    return stats;
}

}
