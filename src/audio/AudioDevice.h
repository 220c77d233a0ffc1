#pragma once

#include "audio/AudioChannel.h"
#include "audio/DeviceClock.h"

#include <SDL.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>

// The output device and the streams that play on it. fill() runs on SDL's audio
// thread; everything else on the caller's, with the device locked (DeviceLock)
// whenever the channels or the clock are read or changed.
class AudioDevice {
public:
    // A device still open when the process ends (a failed start-up never frees
    // it) must stop calling fill() before the streams it reads are destroyed.
    ~AudioDevice() { close(); }

    // Opens the default device paused; start() lets it ask for audio and waits
    // (a few seconds at most) until it plays.
    bool open(int frequency, int bufferFrames);
    void start();
    void close();
    // Opens the device again with another buffer; the streams carry on from where
    // they were heard. Returns an AudioErrorCode.
    int reopen(int bufferFrames);
    bool isOpen() const { return id != 0; }
    bool isRunning() const;
    // The device clock's frame now.
    double heardFrame();
    // The next callback sleeps this long once it has handed its buffer over.
    void delayNextCallback(int milliseconds) { callbackDelayMs = milliseconds; }

    SDL_AudioDeviceID id = 0;
    SDL_AudioSpec spec{};
    int frequency = 0;
    int requestedFrames = 0;  // the buffer asked for; SDL may have obtained another
    std::map<uint32_t, std::unique_ptr<AudioChannel>> channels;

private:
    static void SDLCALL fill(void* self, Uint8* stream, int length);
    void waitUntilPlaying();

    DeviceClock clock;
    std::atomic<int> callbackDelayMs{0};
};

// Holds off the audio callback while it lives.
class DeviceLock {
public:
    explicit DeviceLock(const AudioDevice& device) : id(device.id) { if (id != 0) SDL_LockAudioDevice(id); }
    ~DeviceLock() { if (id != 0) SDL_UnlockAudioDevice(id); }
    DeviceLock(const DeviceLock&) = delete;
    DeviceLock& operator=(const DeviceLock&) = delete;

private:
    SDL_AudioDeviceID id;
};
