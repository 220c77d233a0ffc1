#include "MonitorCapture.h"

#include <algorithm>
#include <limits>

namespace testing_support {

double counterSeconds()
{
    return static_cast<double>(SDL_GetPerformanceCounter()) / static_cast<double>(SDL_GetPerformanceFrequency());
}

bool MonitorCapture::open(int bufferFrames)
{
    SDL_AudioSpec wanted{};
    wanted.freq = kRate;
    wanted.format = AUDIO_F32SYS;
    wanted.channels = kChannels;
    wanted.samples = static_cast<Uint16>(bufferFrames);
    wanted.callback = receive;
    wanted.userdata = this;
    SDL_AudioSpec obtained{};
    id = SDL_OpenAudioDevice(nullptr, 1, &wanted, &obtained, 0);
    if (id == 0) {
        return false;
    }
    SDL_PauseAudioDevice(id, 0);
    return true;
}

void MonitorCapture::close()
{
    if (id != 0) {
        SDL_CloseAudioDevice(id);
        id = 0;
    }
}

void SDLCALL MonitorCapture::receive(void* self, Uint8* stream, int length)
{
    MonitorCapture* capture = static_cast<MonitorCapture*>(self);
    const double now = counterSeconds();
    const float* samples = reinterpret_cast<const float*>(stream);
    std::lock_guard<std::mutex> lock(capture->mutex);
    capture->recorded.insert(capture->recorded.end(), samples, samples + length / sizeof(float));
    capture->arrivals.push_back(now);
    capture->ends.push_back(static_cast<int64_t>(capture->recorded.size() / kChannels));
}

bool MonitorCapture::waitForFrames(int64_t wanted, double timeoutSeconds)
{
    const double until = counterSeconds() + timeoutSeconds;
    while (frames() < wanted) {
        if (counterSeconds() > until) {
            return false;
        }
        SDL_Delay(1);
    }
    return true;
}

std::vector<float> MonitorCapture::samples()
{
    std::lock_guard<std::mutex> lock(mutex);
    return recorded;
}

double MonitorCapture::longestGap(double* endedAt)
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

int64_t MonitorCapture::frames()
{
    std::lock_guard<std::mutex> lock(mutex);
    return static_cast<int64_t>(recorded.size() / kChannels);
}

double MonitorCapture::frameSeconds(int64_t frame)
{
    std::lock_guard<std::mutex> lock(mutex);
    // Only the buffers from the one that holds the frame to a moment later: over a
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
