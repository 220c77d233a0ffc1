#include "Waveform.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

// Small enough for the closest zoom (a few frames a pixel at most), large enough that
// level 0 of a 157 s piece is 1.7 MB.
constexpr int64_t kWaveformBlock = 32;
constexpr float kFullScale = 32768.0f;

// The extremes of the frames' channel sums, kept in integers so the loop vectorises;
// stereo, the common case, has a loop of its own for the same reason.
void channelSumExtremes(const int16_t* samples, int64_t frames, int channels, int& low, int& high)
{
    low = INT_MAX;
    high = INT_MIN;
    if (channels == 2) {
        for (int64_t i = 0; i < frames; ++i) {
            const int sum = samples[2 * i] + samples[2 * i + 1];
            low = std::min(low, sum);
            high = std::max(high, sum);
        }
        return;
    }
    for (int64_t i = 0; i < frames; ++i) {
        int sum = 0;
        for (int c = 0; c < channels; ++c) {
            sum += samples[i * channels + c];
        }
        low = std::min(low, sum);
        high = std::max(high, sum);
    }
}

}

bool Waveform::build(const int16_t* interleaved, int64_t frames, int channels, int rate)
{
    if (!begin(channels, rate, frames)) {
        return false;
    }
    add(interleaved, frames);
    return finish();
}

bool Waveform::begin(int channels, int rate, int64_t expectedFrames)
{
    levels.clear();
    frameCount = 0;
    blockFill = 0;
    if (channels <= 0 || rate <= 0) {
        channelCount = 0;
        sampleRate = 0;
        return false;
    }
    channelCount = channels;
    sampleRate = rate;
    levels.emplace_back();
    levels[0].reserve(static_cast<size_t>(std::max<int64_t>(0, expectedFrames) / kWaveformBlock + 1));
    return true;
}

void Waveform::add(const int16_t* interleaved, int64_t frames)
{
    if (levels.size() != 1) {
        return;
    }
    const float toUnit = 1.0f / (kFullScale * static_cast<float>(channelCount));
    int64_t done = 0;
    while (done < frames) {
        const int64_t count = std::min<int64_t>(frames - done, kWaveformBlock - blockFill);
        int low = 0;
        int high = 0;
        channelSumExtremes(interleaved + done * channelCount, count, channelCount, low, high);
        const float lowValue = static_cast<float>(low) * toUnit;
        const float highValue = static_cast<float>(high) * toUnit;
        block = blockFill == 0 ? Bin{lowValue, highValue}
                               : Bin{std::min(block.low, lowValue), std::max(block.high, highValue)};
        blockFill += static_cast<int>(count);
        if (blockFill == kWaveformBlock) {
            levels[0].push_back(block);
            blockFill = 0;
        }
        done += count;
    }
    frameCount += frames;
}

bool Waveform::finish()
{
    if (levels.size() != 1) {
        return false;
    }
    if (blockFill > 0) {
        levels[0].push_back(block);
        blockFill = 0;
    }
    if (levels[0].empty()) {
        levels.clear();
        return false;
    }
    while (levels.back().size() > 1) {
        const std::vector<Bin>& below = levels.back();
        std::vector<Bin> above((below.size() + 1) / 2);
        for (size_t i = 0; i < above.size(); ++i) {
            const Bin& first = below[2 * i];
            const Bin& second = 2 * i + 1 < below.size() ? below[2 * i + 1] : first;
            above[i] = {std::min(first.low, second.low), std::max(first.high, second.high)};
        }
        levels.push_back(std::move(above));
    }
    return true;
}

bool Waveform::range(double fromSeconds, double toSeconds, float& low, float& high) const
{
    if (levels.empty() || !(fromSeconds <= toSeconds) || toSeconds < 0.0 || fromSeconds >= lengthSeconds()) {
        return false;
    }
    const int64_t first = std::max<int64_t>(0, static_cast<int64_t>(std::floor(fromSeconds * sampleRate)));
    const int64_t end = std::min(frameCount, std::max(first + 1, static_cast<int64_t>(std::ceil(toSeconds * sampleRate))));
    const int64_t span = end - first;
    size_t level = 0;
    while (level + 1 < levels.size() && (kWaveformBlock << (level + 1)) <= span) {
        ++level;
    }
    const int64_t width = kWaveformBlock << level;
    const std::vector<Bin>& bins = levels[level];
    const size_t last = std::min(bins.size() - 1, static_cast<size_t>((end - 1) / width));
    low = bins[static_cast<size_t>(first / width)].low;
    high = bins[static_cast<size_t>(first / width)].high;
    for (size_t i = static_cast<size_t>(first / width) + 1; i <= last; ++i) {
        low = std::min(low, bins[i].low);
        high = std::max(high, bins[i].high);
    }
    return true;
}

double Waveform::lengthSeconds() const
{
    return sampleRate > 0 ? static_cast<double>(frameCount) / sampleRate : 0.0;
}
