#include "audio/AudioBackend.h"

#include "audio/AudioDevice.h"

#include <SDL.h>

#include <cmath>
#include <memory>
#include <cstring>
#include <utility>

namespace {

constexpr int kMinFrequency = 8000;
constexpr int kMaxFrequency = 192000;
constexpr int kMinUpdatePeriodMs = 5;
constexpr int kMaxUpdatePeriodMs = 100;
// The buffer a device starts with, until an update period is set.
constexpr int kDefaultUpdatePeriodMs = 20;
constexpr int kMinBufferFrames = 64;
// For the drivers that pace themselves by sleeping (see pacedBufferFrames).
constexpr double kMinPacedBufferMs = 20.0;
constexpr double kMaxPaceError = 0.01;
constexpr double kFrameRoundingSlack = 1e-6;
// Far beyond any stream the decoder accepts, and exact in a double.
constexpr double kMaxSeekFrames = 1ull << 40;

// The device is process-wide, as the calls have no device argument.
struct Backend {
    bool initialised = false;
    AudioDevice device;
    uint32_t nextHandle = 1;
    int lastError = kAudioOk;
};

Backend backend;

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

// SDL rounds every device buffer up to a power of two (and mishandles other sizes
// when it may change the buffer: it writes past its own work buffer), so the
// buffer is the largest power of two that plays within one update period.
int periodBufferFrames(int periodMs, int frequency)
{
    const int periodFrames = periodMs * frequency / 1000;
    int frames = kMinBufferFrames;
    while (frames * 2 <= periodFrames) {
        frames *= 2;
    }
    return frames;
}

// SDL's drivers without a sound card (dummy, disk) play a buffer by sleeping its
// length in whole milliseconds, rounded down, after the callback: a 512-frame
// buffer at 44.1 kHz (11.61 ms) sleeps 11 ms and the music runs 5 % fast. Nobody
// listens there, so the buffer grows from the period's until it is long enough
// for the rounding and the loop's own fraction of a millisecond to stay under
// 1 % each (1,024 frames, 23.2 ms, at 44.1 kHz).
int pacedBufferFrames(int periodMs, int frequency)
{
    for (int frames = periodBufferFrames(periodMs, frequency);; frames *= 2) {
        const double milliseconds = 1000.0 * frames / frequency;
        const double roundedDown = static_cast<double>(frames * 1000 / frequency);
        if (milliseconds >= kMinPacedBufferMs && milliseconds - roundedDown < milliseconds * kMaxPaceError) {
            return frames;
        }
    }
}

bool sleepsPerBuffer()
{
    const char* driver = SDL_GetCurrentAudioDriver();
    return driver != nullptr && (std::strcmp(driver, "dummy") == 0 || std::strcmp(driver, "disk") == 0);
}

int bufferFrames(int periodMs, int frequency)
{
    return sleepsPerBuffer() ? pacedBufferFrames(periodMs, frequency) : periodBufferFrames(periodMs, frequency);
}

bool ready()
{
    return backend.initialised && backend.device.isOpen();
}

AudioChannel* findChannel(uint32_t stream)
{
    if (!ready()) {
        fail(kAudioErrorNoInit);
        return nullptr;
    }
    auto found = backend.device.channels.find(stream);
    if (found == backend.device.channels.end()) {
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
    if (!backend.device.open(frequency, bufferFrames(kDefaultUpdatePeriodMs, frequency))) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return fail(kAudioErrorDevice);
    }
    backend.initialised = true;
    backend.device.start();
    return succeed();
}

bool audioSetUpdatePeriod(int milliseconds)
{
    if (!ready()) {
        return fail(kAudioErrorNoInit);
    }
    if (milliseconds < kMinUpdatePeriodMs || milliseconds > kMaxUpdatePeriodMs) {
        return fail(kAudioErrorParam);
    }
    int frames = bufferFrames(milliseconds, backend.device.spec.freq);
    if (frames == backend.device.requestedFrames) {
        return succeed();
    }
    int result = backend.device.reopen(frames);
    return result == kAudioOk ? succeed() : fail(result);
}

bool audioGetInfo(AudioDeviceInfo* info)
{
    if (!ready()) {
        return fail(kAudioErrorNoInit);
    }
    if (info == nullptr) {
        return fail(kAudioErrorParam);
    }
    info->frequency = backend.device.spec.freq;
    info->channels = backend.device.spec.channels;
    info->bufferFrames = backend.device.spec.samples;
    info->sdlDevice = backend.device.id;
    return succeed();
}

bool audioDelayNextCallback(int milliseconds)
{
    if (!ready()) {
        return fail(kAudioErrorNoInit);
    }
    backend.device.delayNextCallback(milliseconds);
    return succeed();
}

bool audioFree()
{
    if (!backend.initialised) {
        return fail(kAudioErrorNoInit);
    }
    backend.device.close();
    backend.device.channels.clear();
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
    if (!ready()) {
        fail(kAudioErrorNoInit);
        return 0;
    }
    // Reading and scanning the file happens before the device is locked.
    auto channel = std::make_unique<AudioChannel>();
    int result = channel->create(path, backend.device.spec);
    if (result != kAudioOk) {
        fail(result);
        return 0;
    }
    DeviceLock lock(backend.device);
    // Handles are never reused, so a stale one cannot reach a newer stream.
    uint32_t stream = backend.nextHandle++;
    backend.device.channels[stream] = std::move(channel);
    succeed();
    return stream;
}

bool audioStreamFree(uint32_t stream)
{
    if (findChannel(stream) == nullptr) {
        return false;
    }
    DeviceLock lock(backend.device);
    backend.device.channels.erase(stream);
    return succeed();
}

bool audioChannelPlay(uint32_t stream, bool restart)
{
    AudioChannel* channel = findChannel(stream);
    if (channel == nullptr) {
        return false;
    }
    if (!backend.device.isRunning()) {
        return fail(kAudioErrorDevice);
    }
    DeviceLock lock(backend.device);
    return channel->play(restart) ? succeed() : fail(kAudioErrorDecoder);
}

AudioActiveState audioChannelIsActive(uint32_t stream)
{
    AudioChannel* channel = findChannel(stream);
    if (channel == nullptr) {
        return kAudioStopped;
    }
    succeed();
    DeviceLock lock(backend.device);
    if (!channel->isPlaying(backend.device.heardFrame())) {
        return channel->isPaused() ? kAudioPaused : kAudioStopped;
    }
    return backend.device.isRunning() ? kAudioPlaying : kAudioStalled;
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
    DeviceLock lock(backend.device);
    int64_t frame = mode == kAudioPositionHeard ? channel->heardFrame(backend.device.heardFrame())
                                                : channel->handedFrame();
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

uint64_t audioChannelSeconds2Bytes(uint32_t stream, double seconds)
{
    AudioChannel* channel = findChannel(stream);
    if (channel == nullptr) {
        return kAudioPositionFailed;
    }
    // A time a hair below a frame's start, as a conversion from bytes may give,
    // still means that frame.
    const double frames = std::floor(seconds * channel->decoder.rate + kFrameRoundingSlack);
    if (!(frames >= 0.0) || frames > kMaxSeekFrames) {
        fail(kAudioErrorParam);
        return kAudioPositionFailed;
    }
    succeed();
    return static_cast<uint64_t>(frames) * static_cast<uint64_t>(channel->decoder.bytesPerFrame());
}

bool audioChannelPause(uint32_t stream)
{
    AudioChannel* channel = findChannel(stream);
    if (channel == nullptr) {
        return false;
    }
    DeviceLock lock(backend.device);
    channel->pause(backend.device.heardFrame());
    return succeed();
}

bool audioChannelSetPosition(uint32_t stream, uint64_t bytes)
{
    AudioChannel* channel = findChannel(stream);
    if (channel == nullptr) {
        return false;
    }
    const uint64_t frame = bytes / static_cast<uint64_t>(channel->decoder.bytesPerFrame());
    if (frame > static_cast<uint64_t>(channel->decoder.lengthFrames)) {
        return fail(kAudioErrorParam);
    }
    // The decoder is the audio thread's while it plays: the seek waits for the
    // callback and the next one starts at the new frame.
    DeviceLock lock(backend.device);
    return channel->seek(static_cast<int64_t>(frame)) ? succeed() : fail(kAudioErrorDecoder);
}

bool audioChannelStop(uint32_t stream)
{
    AudioChannel* channel = findChannel(stream);
    if (channel == nullptr) {
        return false;
    }
    DeviceLock lock(backend.device);
    channel->stop(backend.device.heardFrame());
    return succeed();
}
