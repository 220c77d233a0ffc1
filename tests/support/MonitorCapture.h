#pragma once

#include "Recording.h"

#include <SDL.h>

#include <cstdint>

// Records the default capture source (a null sink's monitor, on the private
// sound server) with SDL's capture API.
namespace testing_support {

class MonitorCapture {
public:
    static constexpr int kRate = Recording::kRate;
    static constexpr int kChannels = Recording::kChannels;

    MonitorCapture() = default;
    ~MonitorCapture() { close(); }
    MonitorCapture(const MonitorCapture&) = delete;
    MonitorCapture& operator=(const MonitorCapture&) = delete;

    // SDL's audio subsystem must be running. Starts recording at once.
    bool open(int bufferFrames);
    void close();
    // Waits until `frames` frames have arrived, at most timeoutSeconds.
    bool waitForFrames(int64_t frames, double timeoutSeconds);

    Recording& recording() { return recorded; }
    std::vector<float> samples() { return recorded.samples(); }

private:
    static void SDLCALL receive(void* self, Uint8* stream, int length);

    SDL_AudioDeviceID id = 0;
    Recording recorded;
};

}
