#include "ClickTimes.h"

#include "audio/AudioBackend.h"
#include "audio/Mp3Decoder.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <limits>

namespace bench_support {

bool makeClicks(const char* path, double spacing, int clicks)
{
    constexpr double kToneSeconds = 0.004;
    if (std::filesystem::exists(path)) {
        return true;
    }
    const std::string wav = std::string(path) + ".wav";
    const std::string command = "sox -D -R -n -r 44100 -c 2 -b 16 '" + wav + "' synth " +
                                std::to_string(kToneSeconds) + " sine 2000 gain -3 pad 0 " +
                                std::to_string(spacing - kToneSeconds) + " repeat " + std::to_string(clicks - 1) +
                                " && "
                                "lame --quiet -b 192 --cbr '" + wav + "' '" + path + "'";
    const bool made = std::system(command.c_str()) == 0;
    std::filesystem::remove(wav);
    return made && std::filesystem::exists(path);
}

ClickTrack decodeClicks(const char* path, float threshold, int quietFrames)
{
    constexpr int kRate = 44100;
    Mp3Decoder decoder;
    ClickTrack track;
    if (decoder.open(path) != kAudioOk || decoder.rate != kRate) {
        return track;
    }
    std::vector<int16_t> pcm(static_cast<size_t>(decoder.lengthFrames) * decoder.channels);
    const int frames = decoder.read(pcm.data(), static_cast<int>(decoder.lengthFrames));
    for (int frame = 0; frame < frames; ++frame) {
        track.firstChannel.push_back(pcm[static_cast<size_t>(frame) * decoder.channels] / 32768.0f);
    }
    for (int64_t onset : findOnsets(track.firstChannel, 1, threshold, quietFrames)) {
        track.times.push_back(static_cast<double>(onset) / kRate);
    }
    return track;
}

std::vector<int64_t> findOnsets(const std::vector<float>& samples, int channels, float threshold, int quietFrames)
{
    std::vector<int64_t> onsets;
    const int64_t frames = static_cast<int64_t>(samples.size()) / channels;
    int64_t quiet = quietFrames;
    for (int64_t frame = 0; frame < frames; ++frame) {
        if (std::fabs(samples[static_cast<size_t>(frame * channels)]) <= threshold) {
            ++quiet;
            continue;
        }
        if (quiet >= quietFrames) {
            onsets.push_back(frame);
        }
        quiet = 0;
    }
    return onsets;
}

std::vector<int64_t> findClicks(const std::vector<float>& samples, int channels, float threshold, int quietFrames)
{
    // The clicks' 4 ms, and what an edge of the tone below the threshold takes off.
    constexpr int64_t kToneFrames = 176;
    constexpr int64_t kEdgeFrames = 16;
    const std::vector<int64_t> onsets = findOnsets(samples, channels, threshold, quietFrames);
    const int64_t frames = static_cast<int64_t>(samples.size()) / channels;
    std::vector<int64_t> lengths;
    for (size_t i = 0; i < onsets.size(); ++i) {
        const int64_t end = i + 1 < onsets.size() ? onsets[i + 1] : frames;
        int64_t last = onsets[i];
        for (int64_t frame = onsets[i]; frame < end; ++frame) {
            if (std::fabs(samples[static_cast<size_t>(frame * channels)]) > threshold) {
                last = frame;
            }
        }
        lengths.push_back(last - onsets[i] + 1);
    }
    std::vector<int64_t> clicks;
    for (size_t i = 0; i < onsets.size(); ++i) {
        const bool secondHalf = i > 0 && lengths[i - 1] < kToneFrames - kEdgeFrames &&
                                lengths[i] < kToneFrames - kEdgeFrames &&
                                lengths[i - 1] + lengths[i] <= kToneFrames + kEdgeFrames;
        if (!secondHalf) {
            clicks.push_back(onsets[i]);
        }
    }
    return clicks;
}

double clockReached(const std::vector<ClockPoll>& polls, double music)
{
    for (size_t i = 1; i < polls.size(); ++i) {
        if (polls[i].music >= music && polls[i - 1].music < music) {
            const double span = polls[i].music - polls[i - 1].music;
            const double part = (music - polls[i - 1].music) / span;
            return polls[i - 1].time + part * (polls[i].time - polls[i - 1].time);
        }
    }
    return -1.0;
}

double nearest(const std::vector<double>& sorted, double time, double window)
{
    auto after = std::lower_bound(sorted.begin(), sorted.end(), time);
    double best = std::numeric_limits<double>::quiet_NaN();
    if (after != sorted.end() && *after - time <= window) {
        best = *after;
    }
    if (after != sorted.begin() && time - *(after - 1) <= window &&
        (std::isnan(best) || time - *(after - 1) < best - time)) {
        best = *(after - 1);
    }
    return best;
}

Offsets clickOffsets(const std::vector<ClockPoll>& polls, const std::vector<double>& clickMusic,
                     const std::vector<double>& heard, double from, double to)
{
    // Clicks are half a second apart: a match within a fifth of that is the same click.
    constexpr double kMatchWindow = 0.1;
    Offsets result;
    double sum = 0.0;
    for (double music : clickMusic) {
        if (music <= from || music >= to) {
            continue;
        }
        const double clock = clockReached(polls, music);
        const double sound = clock < 0.0 ? std::nan("") : nearest(heard, clock, kMatchWindow);
        if (std::isnan(sound)) {
            continue;
        }
        const double offset = clock - sound;
        sum += offset;
        result.worst = std::fabs(offset) > std::fabs(result.worst) ? offset : result.worst;
        ++result.count;
    }
    result.mean = result.count > 0 ? sum / result.count : std::nan("");
    return result;
}

namespace {

float sampleAt(const std::vector<float>& samples, int channels, int64_t frame)
{
    const int64_t index = frame * channels;
    return index >= 0 && index < static_cast<int64_t>(samples.size()) ? samples[static_cast<size_t>(index)] : 0.0f;
}

}

int seekSampleError(const std::vector<float>& recorded, int channels, int64_t heardFrame,
                    const std::vector<float>& decoded, int64_t decodedFrame)
{
    constexpr int kBefore = 16;
    constexpr int kLength = 256;
    constexpr int kSearch = 1024;
    double bestError = std::numeric_limits<double>::max();
    int best = 0;
    for (int shift = -kSearch; shift <= kSearch; ++shift) {
        double error = 0.0;
        for (int i = -kBefore; i < kLength; ++i) {
            const float difference =
                sampleAt(recorded, channels, heardFrame + i) - sampleAt(decoded, 1, decodedFrame + shift + i);
            error += static_cast<double>(difference) * difference;
        }
        if (error < bestError) {
            bestError = error;
            best = shift;
        }
    }
    return best;
}

double clockPace(const std::vector<ClockPoll>& polls)
{
    double meanT = 0.0;
    double meanM = 0.0;
    for (const ClockPoll& poll : polls) {
        meanT += poll.time / polls.size();
        meanM += poll.music / polls.size();
    }
    double covariance = 0.0;
    double variance = 0.0;
    for (const ClockPoll& poll : polls) {
        covariance += (poll.time - meanT) * (poll.music - meanM);
        variance += (poll.time - meanT) * (poll.time - meanT);
    }
    return variance > 0.0 ? covariance / variance : 0.0;
}

}
