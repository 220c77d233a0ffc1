#include "Recording.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <limits>

namespace testing_support {

double counterSeconds()
{
    return static_cast<double>(SDL_GetPerformanceCounter()) / static_cast<double>(SDL_GetPerformanceFrequency());
}

void Recording::add(const float* samples, size_t count, double seconds)
{
    std::lock_guard<std::mutex> lock(mutex);
    recorded.insert(recorded.end(), samples, samples + count);
    arrivals.push_back(seconds);
    ends.push_back(static_cast<int64_t>(recorded.size() / kChannels));
}

std::vector<float> Recording::samples()
{
    std::lock_guard<std::mutex> lock(mutex);
    return recorded;
}

int64_t Recording::frames()
{
    std::lock_guard<std::mutex> lock(mutex);
    return static_cast<int64_t>(recorded.size() / kChannels);
}

double Recording::longestGap(double* endedAt)
{
    std::lock_guard<std::mutex> lock(mutex);
    double longest = 0.0;
    for (size_t i = 1; i < arrivals.size(); ++i) {
        if (arrivals[i] - arrivals[i - 1] > longest) {
            longest = arrivals[i] - arrivals[i - 1];
            *endedAt = arrivals[i];
        }
    }
    return longest;
}

std::string Recording::describePieces(double from, double to)
{
    std::lock_guard<std::mutex> lock(mutex);
    std::string text;
    for (size_t i = 0; i < arrivals.size(); ++i) {
        if (arrivals[i] >= from && arrivals[i] <= to) {
            char line[96];
            std::snprintf(line, sizeof line, "  %.4f s: %lld frames\n", arrivals[i],
                          static_cast<long long>(ends[i] - (i > 0 ? ends[i - 1] : 0)));
            text += line;
        }
    }
    return text;
}

double Recording::waitFor(int64_t frame, double* since)
{
    std::lock_guard<std::mutex> lock(mutex);
    const size_t piece = static_cast<size_t>(std::upper_bound(ends.begin(), ends.end(), frame) - ends.begin());
    if (piece == 0 || piece >= ends.size()) {
        return 0.0;
    }
    *since = arrivals[piece - 1];
    return arrivals[piece] - arrivals[piece - 1];
}

bool Recording::arrivedBetween(double from, double to)
{
    std::lock_guard<std::mutex> lock(mutex);
    const auto first = std::upper_bound(arrivals.begin(), arrivals.end(), from);
    return first != arrivals.end() && *first < to;
}

bool Recording::cameInBurst(int64_t frame)
{
    std::lock_guard<std::mutex> lock(mutex);
    // The piece that holds the frame and those that came within a moment after
    // it: a capture thread that wakes late brings its wait's worth at once, up
    // to this slack beyond real time; a burst brings far more. Looking ahead
    // only, the first piece after a burst, which waited for it, is not in it.
    constexpr double kWindowSeconds = 0.05;
    constexpr double kSlackSeconds = 0.05;
    const size_t piece = static_cast<size_t>(std::upper_bound(ends.begin(), ends.end(), frame) - ends.begin());
    if (piece >= ends.size()) {
        return false;
    }
    size_t last = piece;
    while (last + 1 < ends.size() && arrivals[last + 1] <= arrivals[piece] + kWindowSeconds) {
        ++last;
    }
    const int64_t came = ends[last] - (piece > 0 ? ends[piece - 1] : 0);
    return static_cast<double>(came) > (kWindowSeconds + kSlackSeconds) * kRate;
}

double Recording::frameSeconds(int64_t frame)
{
    std::lock_guard<std::mutex> lock(mutex);
    // Only the pieces from the one that holds the frame to a moment later: over a
    // whole recording the frames do not keep one line with the counter (PipeWire's
    // service lets a capture drift by milliseconds and then drops or adds some),
    // and the silence an idle sink hands at once lies before every click.
    constexpr int64_t kWindowFrames = kRate / 4;
    const size_t first = static_cast<size_t>(std::lower_bound(ends.begin(), ends.end(), frame) - ends.begin());
    double earliest = std::numeric_limits<double>::max();
    for (size_t i = first; i < ends.size() && ends[i] <= frame + kWindowFrames; ++i) {
        earliest = std::min(earliest, arrivals[i] - static_cast<double>(ends[i] - frame) / kRate);
    }
    return first < ends.size() ? earliest : 0.0;
}

}
