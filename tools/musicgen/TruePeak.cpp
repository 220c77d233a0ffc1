#include "TruePeak.h"

#include "Loudness.h"

#include "Dsp.h"

#include <cmath>
#include <vector>

namespace musicgen {

namespace {

constexpr int kOversampling = 4;
constexpr int kHalfTaps = 12; // neighbours on each side used for each value between samples

// Hann-windowed sinc taps for the three positions between two samples.
std::vector<double> interpolationTaps()
{
    std::vector<double> taps;
    for (int phase = 1; phase < kOversampling; ++phase) {
        double offset = static_cast<double>(phase) / kOversampling;
        for (int k = -kHalfTaps + 1; k <= kHalfTaps; ++k) {
            double x = offset - k; // distance from the source sample i + k
            double sinc = std::sin(kPi * x) / (kPi * x);
            double window = 0.5 + 0.5 * std::cos(kPi * x / kHalfTaps);
            taps.push_back(sinc * window);
        }
    }
    return taps;
}

// Raises peaks[i] to the highest absolute value from sample i up to sample i + 1.
void channelPeaks(const std::vector<float>& samples, const std::vector<double>& taps, std::vector<double>& peaks)
{
    int64_t n = static_cast<int64_t>(samples.size());
    const int width = 2 * kHalfTaps;
    for (int64_t i = 0; i < n; ++i) {
        double peak = std::fabs(samples[static_cast<size_t>(i)]);
        // Too near the ends for a full kernel; the ends are fades anyway.
        bool inside = i - kHalfTaps + 1 >= 0 && i + kHalfTaps < n;
        for (int phase = 0; inside && phase < kOversampling - 1; ++phase) {
            double value = 0.0;
            for (int t = 0; t < width; ++t) {
                value += taps[static_cast<size_t>(phase * width + t)] *
                         samples[static_cast<size_t>(i - kHalfTaps + 1 + t)];
            }
            peak = std::fmax(peak, std::fabs(value));
        }
        double& slot = peaks[static_cast<size_t>(i)];
        slot = std::fmax(slot, peak);
    }
}

}

std::vector<double> framePeaks(const StereoBuffer& audio)
{
    std::vector<double> taps = interpolationTaps();
    std::vector<double> peaks(static_cast<size_t>(audio.frames()), 0.0);
    channelPeaks(audio.left, taps, peaks);
    channelPeaks(audio.right, taps, peaks);
    return peaks;
}

double truePeak(const StereoBuffer& audio)
{
    double peak = 0.0;
    for (double p : framePeaks(audio)) {
        peak = std::fmax(peak, p);
    }
    return peak;
}

}
