#include "OnsetFinder.h"

#include <algorithm>
#include <cmath>

namespace {

// Decimated to about this rate the band still reaches 11 kHz (what lies above folds
// down into it, which only adds to the same transients) at half the cost.
constexpr int kAnalysisRate = 22050;
constexpr int kFrameSize = 512;  // 23 ms at 22.05 kHz
constexpr int kHop = 128;        // 5.8 ms, a sixth of the ±1 row tolerance
constexpr double kBandLowHz = 8000.0;
// Where the analysis rate leaves no room above 8 kHz, the band is the top of what remains.
constexpr double kBandLowOfNyquist = 0.7;
// The log compression's knee, relative to the band's mean level over the piece, so
// that a quieter master finds the same onsets.
constexpr double kLevelScale = 0.3;
// A peak must stand this far (in natural log units) above the mean of its neighbourhood.
constexpr double kThreshold = 0.05;
constexpr int kPeakHalfWidth = 3;  // frames on either side a peak must top
constexpr int kMeanBefore = 20;    // frames of the neighbourhood's mean before a peak ...
constexpr int kMeanAfter = 5;      // ... and after it
// Two strikes closer than this are one (the closest drum rows are 68 ms apart).
constexpr double kMinGapSeconds = 0.05;
constexpr double kTwoPi = 6.283185307179586;

}

bool OnsetFinder::start(int rate)
{
    if (rate <= 0 || !fft.init(kFrameSize)) {
        return false;
    }
    inputRate = rate;
    decimation = std::max(1, static_cast<int>(std::lround(static_cast<double>(rate) / kAnalysisRate)));
    const double analysisRate = static_cast<double>(rate) / decimation;
    decimationSum = 0.0f;
    decimationFill = 0;
    const double binHz = analysisRate / kFrameSize;
    const double nyquist = analysisRate / 2.0;
    const double low = std::min(kBandLowHz, kBandLowOfNyquist * nyquist);
    bandEnd = kFrameSize / 2 + 1;
    bandFirst = std::min(bandEnd - 1, static_cast<int>(std::lround(low / binHz)));
    window.resize(kFrameSize);
    for (int i = 0; i < kFrameSize; ++i) {
        window[static_cast<size_t>(i)] = static_cast<float>(0.5 - 0.5 * std::cos(kTwoPi * (i + 0.5) / kFrameSize));
    }
    pending.clear();
    pendingStart = 0;
    frame.assign(kFrameSize, 0.0f);
    bins.assign(static_cast<size_t>(bandEnd), {});
    bandLevels.clear();
    return true;
}

void OnsetFinder::addDecimated(float sample)
{
    decimationSum += sample;
    if (++decimationFill == decimation) {
        pending.push_back(decimationSum * (1.0f / static_cast<float>(decimation)));
        decimationSum = 0.0f;
        decimationFill = 0;
    }
}

void OnsetFinder::add(const float* mono, int64_t frames)
{
    if (inputRate <= 0) {
        return;
    }
    int64_t next = 0;
    while (decimationFill > 0 && next < frames) {
        addDecimated(mono[next++]);
    }
    const float share = 1.0f / static_cast<float>(decimation);
    for (; next + decimation <= frames; next += decimation) {
        float sum = 0.0f;
        for (int i = 0; i < decimation; ++i) {
            sum += mono[next + i];
        }
        pending.push_back(sum * share);
    }
    while (next < frames) {
        addDecimated(mono[next++]);
    }
    analyseFrames();
}

void OnsetFinder::analyseFrames()
{
    const float bandBins = static_cast<float>(bandEnd - bandFirst);
    while (pending.size() - pendingStart >= static_cast<size_t>(kFrameSize)) {
        const float* samples = pending.data() + pendingStart;
        for (int i = 0; i < kFrameSize; ++i) {
            frame[static_cast<size_t>(i)] = samples[i] * window[static_cast<size_t>(i)];
        }
        fft.transform(frame.data(), bins.data());
        float power = 0.0f;
        for (int k = bandFirst; k < bandEnd; ++k) {
            const std::complex<float> bin = bins[static_cast<size_t>(k)];
            power += bin.real() * bin.real() + bin.imag() * bin.imag();
        }
        bandLevels.push_back(std::sqrt(power / bandBins));
        pendingStart += kHop;
    }
    pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(pendingStart));
    pendingStart = 0;
}

std::vector<double> OnsetFinder::finish()
{
    std::vector<double> onsets;
    double mean = 0.0;
    for (float level : bandLevels) {
        mean += level;
    }
    mean /= static_cast<double>(std::max<size_t>(1, bandLevels.size()));
    if (inputRate <= 0 || bandLevels.size() < 2 || mean <= 0.0) {
        inputRate = 0;
        return onsets;
    }
    const float scale = static_cast<float>(kLevelScale / mean);
    std::vector<float> rise(bandLevels.size(), 0.0f);
    float previous = std::log1p(scale * bandLevels[0]);
    for (size_t t = 1; t < bandLevels.size(); ++t) {
        const float current = std::log1p(scale * bandLevels[t]);
        rise[t] = std::max(0.0f, current - previous);
        previous = current;
    }
    onsets = pickPeaks(rise);
    inputRate = 0;
    return onsets;
}

std::vector<double> OnsetFinder::pickPeaks(const std::vector<float>& rise) const
{
    // The rise between two frames peaks when the attack reaches the middle of the later
    // window (measured on melody.events: within a millisecond), so a frame's time is its
    // centre; a decimated sample stands for the middle of the samples it averages.
    const double centre = kFrameSize / 2.0 * decimation + (decimation - 1) / 2.0;
    const double frameSeconds = static_cast<double>(kHop) * decimation / inputRate;
    const int64_t count = static_cast<int64_t>(rise.size());
    std::vector<double> onsets;
    double last = -kMinGapSeconds;
    for (int64_t t = 1; t < count; ++t) {
        const float value = rise[static_cast<size_t>(t)];
        if (value <= 0.0f) {
            continue;
        }
        bool peak = true;
        for (int64_t u = std::max<int64_t>(0, t - kPeakHalfWidth); u <= std::min(count - 1, t + kPeakHalfWidth); ++u) {
            peak = peak && rise[static_cast<size_t>(u)] <= value;
        }
        if (!peak) {
            continue;
        }
        const int64_t from = std::max<int64_t>(0, t - kMeanBefore);
        const int64_t to = std::min(count - 1, t + kMeanAfter);
        double sum = 0.0;
        for (int64_t u = from; u <= to; ++u) {
            sum += rise[static_cast<size_t>(u)];
        }
        if (value < sum / static_cast<double>(to - from + 1) + kThreshold) {
            continue;
        }
        const double seconds = static_cast<double>(t) * frameSeconds + centre / inputRate;
        if (seconds - last >= kMinGapSeconds) {
            onsets.push_back(seconds);
            last = seconds;
        }
    }
    return onsets;
}
