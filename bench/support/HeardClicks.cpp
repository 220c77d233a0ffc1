#include "HeardClicks.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace bench_support {

namespace {

constexpr int kClickRate = 44100;

}

std::vector<double> heardClicks(const CaptureClicks& capture, const CaptureClicks& reference, int spacingFrames,
                                double* latency)
{
    // The two recordings start apart by some frames and keep that distance but
    // for a few frames of drift; a click is paired with the reference's within
    // a quarter of the spacing of where the last pair puts it.
    const int64_t tolerance = spacingFrames / 4;
    const double spacingSeconds = static_cast<double>(spacingFrames) / kClickRate;
    std::vector<int> partner(capture.frames.size(), -1);
    std::vector<double> differences;
    size_t next = 0;
    bool placed = false;
    int64_t distance = 0;
    for (size_t i = 0; i < capture.frames.size() && !reference.frames.empty(); ++i) {
        if (!placed) {
            // The first pair is found by arrival: both captures start on time.
            const auto near = std::lower_bound(reference.times.begin(), reference.times.end(),
                                               capture.times[i] - spacingSeconds / 2);
            if (near == reference.times.end() || *near > capture.times[i] + spacingSeconds / 2) {
                continue;
            }
            distance = capture.frames[i] - reference.frames[static_cast<size_t>(near - reference.times.begin())];
            placed = true;
        }
        const int64_t expected = capture.frames[i] - distance;
        while (next + 1 < reference.frames.size() && reference.frames[next] < expected - tolerance) {
            ++next;
        }
        if (std::llabs(reference.frames[next] - expected) <= tolerance) {
            partner[i] = static_cast<int>(next);
            distance = capture.frames[i] - reference.frames[next];
            differences.push_back(capture.times[i] - reference.times[next]);
        }
    }
    // A capture that falls behind does so by ever more, so the latency is where
    // the differences crowd: the middle of the millisecond that holds most.
    constexpr double kCrowdSeconds = 0.001;
    std::sort(differences.begin(), differences.end());
    size_t crowdFirst = 0;
    size_t crowdEnd = 0;
    for (size_t first = 0, end = 0; first < differences.size(); ++first) {
        while (end < differences.size() && differences[end] - differences[first] <= kCrowdSeconds) {
            ++end;
        }
        if (end - first > crowdEnd - crowdFirst) {
            crowdFirst = first;
            crowdEnd = end;
        }
    }
    const double median = differences.empty() ? 0.0 : differences[(crowdFirst + crowdEnd) / 2];
    std::vector<double> heard;
    for (size_t i = 0; i < capture.times.size(); ++i) {
        const double own = capture.times[i] - median;
        heard.push_back(partner[i] < 0 ? own : std::min(own, reference.times[static_cast<size_t>(partner[i])]));
    }
    *latency = median;
    return heard;
}

CaptureClicks captureClicks(testing_support::Recording& recording, float threshold, int quietFrames)
{
    CaptureClicks found;
    found.frames = findClicks(recording.samples(), testing_support::Recording::kChannels, threshold, quietFrames);
    for (int64_t onset : found.frames) {
        found.times.push_back(recording.frameSeconds(onset));
    }
    return found;
}

double clockAt(const std::vector<ClockPoll>& polls, double time)
{
    const auto after = std::lower_bound(polls.begin(), polls.end(), time,
                                        [](const ClockPoll& poll, double value) { return poll.time < value; });
    if (after == polls.begin() || after == polls.end()) {
        return std::nan("");
    }
    const ClockPoll& before = *(after - 1);
    const double part = (time - before.time) / (after->time - before.time);
    return before.music + part * (after->music - before.music);
}

std::vector<Click> numberClicks(const std::vector<ClockPoll>& polls, const ClickTrack& track,
                                const std::vector<int64_t>& frames, const std::vector<double>& heard, double spacing)
{
    const int64_t spacingFrames = std::llround(spacing * kClickRate);
    constexpr int64_t kSpacingSlack = 8;
    std::vector<Click> clicks;
    size_t first = 0;
    while (first < heard.size()) {
        size_t end = first + 1;
        while (end < heard.size() && std::llabs(frames[end] - frames[end - 1] - spacingFrames) <= kSpacingSlack) {
            ++end;
        }
        std::vector<long> numbers;
        for (size_t i = first; i < end; ++i) {
            const double clock = clockAt(polls, heard[i]);
            if (!std::isnan(clock)) {
                numbers.push_back(std::lround(clock / spacing) - static_cast<long>(i - first));
            }
        }
        if (!numbers.empty()) {
            std::nth_element(numbers.begin(), numbers.begin() + numbers.size() / 2, numbers.end());
            const long start = numbers[numbers.size() / 2];
            for (size_t i = first; i < end; ++i) {
                const long number = start + static_cast<long>(i - first);
                const double clock = clockAt(polls, heard[i]);
                if (number >= 0 && number < static_cast<long>(track.times.size()) && !std::isnan(clock)) {
                    clicks.push_back({heard[i], track.times[static_cast<size_t>(number)], clock});
                }
            }
        }
        first = end;
    }
    return clicks;
}


}
