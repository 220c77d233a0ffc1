#include "audio/AudioBackend.h"

#include "audio/AudioChannel.h"
#include "audio/DeviceClock.h"

#include <SDL.h>

#include <cstring>
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace {

constexpr int kMinFrequency = 8000;
constexpr int kMaxFrequency = 192000;
constexpr int kMinUpdatePeriodMs = 5;
constexpr int kMaxUpdatePeriodMs = 100;
// The buffer a device starts with, until an update period is set.
constexpr int kDefaultUpdatePeriodMs = 20;
constexpr int kOutputChannels = 2;
constexpr int kMinBufferFrames = 64;

// The device is process-wide, as the calls above have no device argument.
struct Backend {
    bool initialised = false;
    SDL_AudioDeviceID device = 0;
    SDL_AudioSpec spec{};
    int frequency = 0;
    int requestedFrames = 0;  // the buffer asked for; SDL may have obtained another
    DeviceClock clock;
    std::map<uint32_t, std::unique_ptr<AudioChannel>> channels;
    uint32_t nextHandle = 1;
    int lastError = kAudioOk;
};

Backend backend;

// Holds off the audio callback while channels or the clock are read or changed.
class DeviceLock {
public:
    DeviceLock() : device(backend.device) { if (device != 0) SDL_LockAudioDevice(device); }
    ~DeviceLock() { if (device != 0) SDL_UnlockAudioDevice(device); }
    DeviceLock(const DeviceLock&) = delete;
    DeviceLock& operator=(const DeviceLock&) = delete;

private:
    SDL_AudioDeviceID device;
};

bool succeed()
{
    backend.lastError = kAudioOk;
    return true;
}

bool fail(int code)
{
    backend.lastError = code;
    return false;
}

double heardDeviceFrame()
{
    return backend.clock.heardFrame(SDL_GetPerformanceCounter());
}

// The largest power of two that the device plays within one update period, so it
// asks for audio at least that often. SDL mishandles other sizes when it may
// change the buffer (it writes past its own work buffer).
int bufferFrames(int periodMs, int frequency)
{
    const int periodFrames = periodMs * frequency / 1000;
    int frames = kMinBufferFrames;
    while (frames * 2 <= periodFrames) {
        frames *= 2;
    }
    return frames;
}

void SDLCALL fillDevice(void*, Uint8* stream, int length)
{
    const uint64_t now = SDL_GetPerformanceCounter();
    std::memset(stream, 0, static_cast<size_t>(length));
    float* out = reinterpret_cast<float*>(stream);
    const int frames = length / static_cast<int>(sizeof(float) * backend.spec.channels);
    const int64_t firstFrame = backend.clock.handedFrames();
    for (auto& entry : backend.channels) {
        entry.second->mix(out, frames, firstFrame);
    }
    backend.clock.onCallback(frames, now);
}

// Opens the device paused; the caller starts it once the channels are ready for it.
bool openDevice(int frequency, int samples)
{
    SDL_AudioSpec wanted{};
    wanted.freq = frequency;
    wanted.format = AUDIO_F32SYS;
    wanted.channels = kOutputChannels;
    wanted.samples = static_cast<Uint16>(samples);
    wanted.callback = fillDevice;
    // Rate, channels and buffer are taken as the device gives them: the channels'
    // converters then do all resampling, and the clock knows the real buffer.
    const int allowed = SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_CHANNELS_CHANGE |
                        SDL_AUDIO_ALLOW_SAMPLES_CHANGE;
    SDL_AudioSpec obtained{};
    SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, allowed);
    if (device == 0) {
        return false;
    }
    backend.device = device;
    backend.spec = obtained;
    backend.requestedFrames = samples;
    // The buffer SDL is filling is heard only after the one the device is playing.
    backend.clock.reset(obtained.freq, obtained.samples, SDL_GetPerformanceFrequency());
    return true;
}

void closeDevice()
{
    if (backend.device != 0) {
        SDL_CloseAudioDevice(backend.device);
        backend.device = 0;
    }
}

int reopenDevice(int samples)
{
    std::vector<std::pair<AudioChannel*, bool>> states;
    {
        DeviceLock lock;
        const double heard = heardDeviceFrame();
        for (auto& entry : backend.channels) {
            bool playing = entry.second->isPlaying(heard);
            entry.second->stop(heard);
            states.emplace_back(entry.second.get(), playing);
        }
    }
    const int previousSamples = backend.requestedFrames;
    closeDevice();
    int result = kAudioOk;
    if (!openDevice(backend.frequency, samples)) {
        result = kAudioErrorDevice;
        if (!openDevice(backend.frequency, previousSamples)) {
            return kAudioErrorDevice;
        }
    }
    for (auto& state : states) {
        if (state.first->attach(backend.spec) == kAudioOk && state.second) {
            state.first->play(false);
        }
    }
    SDL_PauseAudioDevice(backend.device, 0);
    return result;
}

AudioChannel* findChannel(uint32_t stream)
{
    if (!backend.initialised || backend.device == 0) {
        fail(kAudioErrorNoInit);
        return nullptr;
    }
    auto found = backend.channels.find(stream);
    if (found == backend.channels.end()) {
        fail(kAudioErrorHandle);
        return nullptr;
    }
    return found->second.get();
}

}

bool audioInit(int frequency)
{
    if (backend.initialised) {
        return fail(kAudioErrorAlready);
    }
    if (frequency < kMinFrequency || frequency > kMaxFrequency) {
        return fail(kAudioErrorParam);
    }
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        return fail(kAudioErrorInit);
    }
    if (!openDevice(frequency, bufferFrames(kDefaultUpdatePeriodMs, frequency))) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return fail(kAudioErrorDevice);
    }
    backend.initialised = true;
    backend.frequency = frequency;
    SDL_PauseAudioDevice(backend.device, 0);
    return succeed();
}

bool audioSetUpdatePeriod(int milliseconds)
{
    if (!backend.initialised || backend.device == 0) {
        return fail(kAudioErrorNoInit);
    }
    if (milliseconds < kMinUpdatePeriodMs || milliseconds > kMaxUpdatePeriodMs) {
        return fail(kAudioErrorParam);
    }
    int samples = bufferFrames(milliseconds, backend.spec.freq);
    if (samples == backend.requestedFrames) {
        return succeed();
    }
    int result = reopenDevice(samples);
    return result == kAudioOk ? succeed() : fail(result);
}

bool audioGetInfo(AudioDeviceInfo* info)
{
    if (!backend.initialised || backend.device == 0) {
        return fail(kAudioErrorNoInit);
    }
    if (info == nullptr) {
        return fail(kAudioErrorParam);
    }
    info->frequency = backend.spec.freq;
    info->channels = backend.spec.channels;
    info->bufferFrames = backend.spec.samples;
    return succeed();
}

bool audioFree()
{
    if (!backend.initialised) {
        return fail(kAudioErrorNoInit);
    }
    closeDevice();
    backend.channels.clear();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    backend.initialised = false;
    return succeed();
}

int audioErrorGetCode()
{
    return backend.lastError;
}

uint32_t audioStreamCreateFile(const char* path)
{
    if (!backend.initialised || backend.device == 0) {
        fail(kAudioErrorNoInit);
        return 0;
    }
    // Reading and scanning the file happens before the device is locked.
    auto channel = std::make_unique<AudioChannel>();
    int result = channel->create(path, backend.spec);
    if (result != kAudioOk) {
        fail(result);
        return 0;
    }
    DeviceLock lock;
    // Handles are never reused, so a stale one cannot reach a newer stream.
    uint32_t stream = backend.nextHandle++;
    backend.channels[stream] = std::move(channel);
    succeed();
    return stream;
}

bool audioStreamFree(uint32_t stream)
{
    if (findChannel(stream) == nullptr) {
        return false;
    }
    DeviceLock lock;
    backend.channels.erase(stream);
    return succeed();
}

bool audioChannelPlay(uint32_t stream, bool restart)
{
    AudioChannel* channel = findChannel(stream);
    if (channel == nullptr) {
        return false;
    }
    if (SDL_GetAudioDeviceStatus(backend.device) != SDL_AUDIO_PLAYING) {
        return fail(kAudioErrorDevice);
    }
    DeviceLock lock;
    return channel->play(restart) ? succeed() : fail(kAudioErrorDecoder);
}

AudioActiveState audioChannelIsActive(uint32_t stream)
{
    AudioChannel* channel = findChannel(stream);
    if (channel == nullptr) {
        return kAudioStopped;
    }
    succeed();
    DeviceLock lock;
    if (!channel->isPlaying(heardDeviceFrame())) {
        return kAudioStopped;
    }
    return SDL_GetAudioDeviceStatus(backend.device) == SDL_AUDIO_PLAYING ? kAudioPlaying : kAudioStalled;
}

uint64_t audioChannelGetPosition(uint32_t stream, AudioPositionMode mode)
{
    AudioChannel* channel = findChannel(stream);
    if (channel == nullptr) {
        return kAudioPositionFailed;
    }
    if (mode != kAudioPositionHeard && mode != kAudioPositionHanded) {
        fail(kAudioErrorParam);
        return kAudioPositionFailed;
    }
    succeed();
    DeviceLock lock;
    int64_t frame = mode == kAudioPositionHeard ? channel->heardFrame(heardDeviceFrame()) : channel->handedFrame();
    return static_cast<uint64_t>(frame) * static_cast<uint64_t>(channel->decoder.bytesPerFrame());
}

uint64_t audioChannelGetLength(uint32_t stream)
{
    AudioChannel* channel = findChannel(stream);
    if (channel == nullptr) {
        return kAudioPositionFailed;
    }
    succeed();
    return static_cast<uint64_t>(channel->decoder.lengthFrames) * static_cast<uint64_t>(channel->decoder.bytesPerFrame());
}

double audioChannelBytes2Seconds(uint32_t stream, uint64_t bytes)
{
    AudioChannel* channel = findChannel(stream);
    if (channel == nullptr) {
        return -1.0;
    }
    succeed();
    const double bytesPerSecond = static_cast<double>(channel->decoder.rate) * channel->decoder.bytesPerFrame();
    return static_cast<double>(bytes) / bytesPerSecond;
}

bool audioChannelStop(uint32_t stream)
{
    AudioChannel* channel = findChannel(stream);
    if (channel == nullptr) {
        return false;
    }
    DeviceLock lock;
    channel->stop(heardDeviceFrame());
    return succeed();
}
