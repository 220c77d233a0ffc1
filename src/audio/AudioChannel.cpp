#include "audio/AudioChannel.h"

#include "audio/AudioBackend.h"

#include <algorithm>
#include <cmath>

namespace {

// Decoded in small pieces so one callback does little more work than it plays.
constexpr int kDecodeChunkFrames = 1152;
// Silence after the music, in decode chunks: more than the resampler's filter holds.
constexpr int kTailChunks = 2;

}

AudioChannel::~AudioChannel()
{
    release();
}

int AudioChannel::create(const char* path, const SDL_AudioSpec& device)
{
    int result = decoder.open(path);
    if (result != kAudioOk) {
        return result;
    }
    decoded.resize(static_cast<size_t>(kDecodeChunkFrames) * static_cast<size_t>(decoder.channels));
    result = attach(device);
    if (result != kAudioOk) {
        release();
    }
    return result;
}

int AudioChannel::attach(const SDL_AudioSpec& device)
{
    if (converter != nullptr) {
        SDL_FreeAudioStream(converter);
    }
    converter = SDL_NewAudioStream(AUDIO_S16SYS, static_cast<Uint8>(decoder.channels), decoder.rate,
                                   AUDIO_F32SYS, device.channels, device.freq);
    if (converter == nullptr) {
        return kAudioErrorConvert;
    }
    outputChannels = device.channels;
    streamPerOutput = static_cast<double>(decoder.rate) / device.freq;
    converted.resize(static_cast<size_t>(device.samples) * device.channels);
    beginRun(runOrigin);
    return kAudioOk;
}

void AudioChannel::release()
{
    if (converter != nullptr) {
        SDL_FreeAudioStream(converter);
        converter = nullptr;
    }
    decoder.close();
    playing = false;
}

void AudioChannel::beginRun(int64_t frame)
{
    runOrigin = frame;
    runStartDevice = -1;
    runDecoded = 0;
    runHanded = 0;
    runMusicOutput = 0;
    decoderDone = false;
    drained = false;
    if (converter != nullptr) {
        SDL_AudioStreamClear(converter);
    }
}

void AudioChannel::mix(float* out, int frames, int64_t deviceFrame)
{
    if (!playing || drained || converted.empty()) {
        return;
    }
    if (runStartDevice < 0) {
        runStartDevice = deviceFrame;
    }
    const int outputFrameBytes = outputChannels * static_cast<int>(sizeof(float));
    const int capacity = static_cast<int>(converted.size()) / outputChannels;
    int mixed = 0;
    while (mixed < frames && !drained) {
        int wanted = std::min(frames - mixed, capacity);
        if (decoderDone) {
            wanted = static_cast<int>(std::min<int64_t>(wanted, runMusicOutput - runHanded));
        }
        decodeUntilAvailable(wanted * outputFrameBytes);
        int got = std::max(SDL_AudioStreamGet(converter, converted.data(), wanted * outputFrameBytes), 0);
        got /= outputFrameBytes;
        float* target = out + static_cast<size_t>(mixed) * outputChannels;
        for (int i = 0; i < got * outputChannels; ++i) {
            target[i] += converted[i];
        }
        mixed += got;
        runHanded += got;
        drained = decoderDone && (got == 0 || runHanded >= runMusicOutput);
    }
}

void AudioChannel::decodeUntilAvailable(int bytes)
{
    while (!decoderDone && SDL_AudioStreamAvailable(converter) < bytes) {
        int count = decoder.read(decoded.data(), kDecodeChunkFrames);
        bool accepted = count > 0 && SDL_AudioStreamPut(converter, decoded.data(), count * decoder.bytesPerFrame()) == 0;
        if (accepted) {
            runDecoded += count;
        }
        if (!accepted || count < kDecodeChunkFrames) {
            finishDecoding();
        }
    }
}

// The resampler holds back the last frames for its filter, and SDL's flush does
// not always release them; silence pushed after the music does. Only the music's
// share of the output is handed to the device.
void AudioChannel::finishDecoding()
{
    decoderDone = true;
    runMusicOutput = static_cast<int64_t>(std::ceil(static_cast<double>(runDecoded) / streamPerOutput));
    std::fill(decoded.begin(), decoded.end(), int16_t{0});
    for (int chunk = 0; chunk < kTailChunks; ++chunk) {
        SDL_AudioStreamPut(converter, decoded.data(), kDecodeChunkFrames * decoder.bytesPerFrame());
    }
    SDL_AudioStreamFlush(converter);
}

bool AudioChannel::play(bool restart)
{
    if (converter == nullptr) {
        return false;
    }
    if (restart) {
        if (!seek(0)) {
            return false;
        }
    } else if (playing) {
        return true;
    }
    playing = true;
    paused = false;
    return true;
}

void AudioChannel::stop(double heardDevice)
{
    hold(heardDevice);
    paused = false;
}

void AudioChannel::pause(double heardDevice)
{
    hold(heardDevice);
    paused = true;
}

bool AudioChannel::seek(int64_t frame)
{
    if (!decoder.seek(frame)) {
        return false;
    }
    beginRun(frame);
    return true;
}

void AudioChannel::hold(double heardDevice)
{
    if (!playing) {
        return;
    }
    int64_t frame = heardFrame(heardDevice);
    playing = false;
    // What was handed over but not yet heard is dropped: the next run starts at the
    // frame the listener stopped on.
    if (!decoder.seek(frame)) {
        frame = decoder.lengthFrames;
    }
    beginRun(frame);
}

bool AudioChannel::isPlaying(double heardDevice)
{
    if (playing && finishedRun(heardDevice)) {
        playing = false;
        beginRun(runOrigin + runDecoded);
    }
    return playing;
}

bool AudioChannel::finishedRun(double heardDevice) const
{
    return drained && runStartDevice >= 0 && heardDevice - static_cast<double>(runStartDevice) >= runHanded;
}

int64_t AudioChannel::heardFrame(double heardDevice) const
{
    if (!playing || runStartDevice < 0) {
        return runOrigin;
    }
    if (finishedRun(heardDevice)) {
        return runOrigin + runDecoded;
    }
    double heardOutput = std::clamp(heardDevice - static_cast<double>(runStartDevice), 0.0,
                                    static_cast<double>(runHanded));
    return runOrigin + std::min(toStreamFrames(heardOutput), runDecoded);
}

int64_t AudioChannel::handedFrame() const
{
    if (!playing || runStartDevice < 0) {
        return runOrigin;
    }
    if (drained) {
        return runOrigin + runDecoded;
    }
    return runOrigin + std::min(toStreamFrames(static_cast<double>(runHanded)), runDecoded);
}

int64_t AudioChannel::toStreamFrames(double outputFrames) const
{
    return static_cast<int64_t>(std::floor(outputFrames * streamPerOutput));
}
