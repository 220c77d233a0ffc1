#include "audio/AudioDevice.h"

#include "audio/AudioBackend.h"
#include "audio/HeldFrames.h"
#include "audio/PulseServer.h"

#include <cstring>
#include <utility>
#include <vector>

namespace {

constexpr int kOutputChannels = 2;
// Longer than an idle PulseAudio null sink keeps a new stream waiting (2 s).
constexpr Uint32 kStartTimeoutMs = 3000;
// A server that SDL just reached answers in a few milliseconds.
constexpr Uint32 kServerQueryTimeoutMs = 250;
constexpr const char* kServerDriver = "pulseaudio";

// Which server SDL's driver reaches, if any. Asked before a device opens: SDL
// feeds a paused device silence, and whatever it wrote while we waited would
// be heard before the music.
PulseServerKind askSoundServer(const char* driver)
{
    if (driver == nullptr || std::strcmp(driver, kServerDriver) != 0) {
        return PulseServerKind::Unknown;
    }
    return askPulseServerKind(kServerQueryTimeoutMs);
}

}

bool AudioDevice::open(int newFrequency, int bufferFrames)
{
    SDL_AudioSpec wanted{};
    wanted.freq = newFrequency;
    wanted.format = AUDIO_F32SYS;
    wanted.channels = kOutputChannels;
    wanted.samples = static_cast<Uint16>(bufferFrames);
    wanted.callback = fill;
    wanted.userdata = this;
    // Rate, channels and buffer are taken as the device gives them: the channels'
    // converters then do all resampling, and the clock knows the real buffer.
    const int allowed = SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_CHANNELS_CHANGE |
                        SDL_AUDIO_ALLOW_SAMPLES_CHANGE;
    const char* driver = SDL_GetCurrentAudioDriver();
    const PulseServerKind server = askSoundServer(driver);
    SDL_AudioSpec obtained{};
    SDL_AudioDeviceID opened = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, allowed);
    if (opened == 0) {
        return false;
    }
    id = opened;
    spec = obtained;
    frequency = newFrequency;
    requestedFrames = bufferFrames;
    clock.reset(obtained.freq, deviceHeldFrames(driver, server, obtained.samples, obtained.freq),
                deviceLateFrames(driver, server, obtained.freq), SDL_GetPerformanceFrequency());
    return true;
}

void AudioDevice::start()
{
    SDL_PauseAudioDevice(id, 0);
    waitUntilPlaying();
}

// A sound server may take its time to start a new stream: an idle PulseAudio
// null sink asks for the second buffer up to 2 s after the first. Waiting here,
// while the caller is still starting up, means that what plays later is heard
// at once and the clock moves with it. A device that never gets going is left
// to report itself stalled.
void AudioDevice::waitUntilPlaying()
{
    const Uint32 until = SDL_GetTicks() + kStartTimeoutMs;
    while (isRunning() && !SDL_TICKS_PASSED(SDL_GetTicks(), until)) {
        {
            DeviceLock lock(*this);
            if (clock.started()) {
                return;
            }
        }
        SDL_Delay(1);
    }
}

void AudioDevice::close()
{
    if (id != 0) {
        SDL_CloseAudioDevice(id);
        id = 0;
    }
}

int AudioDevice::reopen(int bufferFrames)
{
    std::vector<std::pair<AudioChannel*, bool>> states;
    {
        DeviceLock lock(*this);
        const double heard = heardFrame();
        for (auto& entry : channels) {
            bool playing = entry.second->isPlaying(heard);
            entry.second->hold(heard);
            states.emplace_back(entry.second.get(), playing);
        }
    }
    const int previousFrames = requestedFrames;
    close();
    int result = kAudioOk;
    if (!open(frequency, bufferFrames)) {
        result = kAudioErrorDevice;
        if (!open(frequency, previousFrames)) {
            return kAudioErrorDevice;
        }
    }
    // The device is still paused, so the channels change without the lock.
    for (auto& state : states) {
        if (state.first->attach(spec) == kAudioOk && state.second) {
            state.first->play(false);
        }
    }
    start();
    return result;
}

bool AudioDevice::isRunning() const
{
    return id != 0 && SDL_GetAudioDeviceStatus(id) == SDL_AUDIO_PLAYING;
}

double AudioDevice::heardFrame()
{
    return clock.heardFrame(SDL_GetPerformanceCounter());
}

void SDLCALL AudioDevice::fill(void* self, Uint8* stream, int length)
{
    AudioDevice* device = static_cast<AudioDevice*>(self);
    const uint64_t now = SDL_GetPerformanceCounter();
    std::memset(stream, 0, static_cast<size_t>(length));
    float* out = reinterpret_cast<float*>(stream);
    const int frames = length / static_cast<int>(sizeof(float) * device->spec.channels);
    const int64_t firstFrame = device->clock.handedFrames();
    for (auto& entry : device->channels) {
        entry.second->mix(out, frames, firstFrame);
    }
    device->clock.onCallback(frames, now);
    const int delayMs = device->callbackDelayMs.exchange(0);
    if (delayMs > 0) {
        SDL_Delay(static_cast<Uint32>(delayMs));
    }
}
