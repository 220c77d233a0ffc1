#pragma once

#include <SDL.h>

#include <cstdint>
#include <mutex>
#include <vector>

// Records the default capture source (a null sink's monitor, on the private
// sound server) with SDL's capture API, as 32-bit float stereo at 44.1 kHz,
// noting when each buffer arrived on SDL's high-resolution counter, the clock
// that the music's own position is read against.
namespace testing_support {

class MonitorCapture {
public:
    static constexpr int kRate = 44100;
    static constexpr int kChannels = 2;

    MonitorCapture() = default;
    ~MonitorCapture() { close(); }
    MonitorCapture(const MonitorCapture&) = delete;
    MonitorCapture& operator=(const MonitorCapture&) = delete;

    // SDL's audio subsystem must be running. Starts recording at once.
    bool open(int bufferFrames);
    void close();
    // Waits until `frames` frames have arrived, at most timeoutSeconds.
    bool waitForFrames(int64_t frames, double timeoutSeconds);

    // Copies of what arrived so far.
    std::vector<float> samples();
    // When frame `frame` arrived, in seconds of SDL's counter: the earliest
    // arrival that the callbacks of the next quarter second allow, at the
    // nominal rate, so the callback thread's wake-up delays drop out.
    double frameSeconds(int64_t frame);
    int64_t frames();
    // The longest wait between two buffers, and when it ended, in counter seconds.
    double longestGap(double* endedAt);

private:
    static void SDLCALL receive(void* self, Uint8* stream, int length);

    SDL_AudioDeviceID id = 0;
    std::mutex mutex;
    std::vector<float> recorded;
    // Per buffer: the counter's seconds at the callback, and the frame count after it.
    std::vector<double> arrivals;
    std::vector<int64_t> ends;
};

double counterSeconds();

}
