#include "audio/AudioBackend.h"
#include "audio/AudioChannel.h"

#include <SDL.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <sys/mman.h>
#include <unistd.h>

// Any bytes as the music file: a stream is created as for the output device
// (read, scanned, converter set up) and then played to its end through the mix
// the device's callback runs. No device is opened; the channel is given the
// format SDL hands out for the demo's request.
namespace {

constexpr int kDeviceFrequency = 44100;
constexpr int kDeviceChannels = 2;
constexpr int kDeviceBufferFrames = 512;
// Far beyond any input the fuzzer makes: a mix that never drains is a fault.
constexpr int kMaxCallbacks = 200000;
constexpr int kStopAfterCallbacks = 3;

// The decoder reads from a path; a memory file keeps the disk out of the loop.
int memoryFile = -1;
std::string memoryPath;

SDL_AudioSpec deviceSpec()
{
    SDL_AudioSpec spec{};
    spec.freq = kDeviceFrequency;
    spec.format = AUDIO_F32SYS;
    spec.channels = kDeviceChannels;
    spec.samples = kDeviceBufferFrames;
    return spec;
}

bool writeInput(const uint8_t* data, size_t size)
{
    if (ftruncate(memoryFile, 0) != 0) {
        return false;
    }
    size_t written = 0;
    while (written < size) {
        ssize_t count = pwrite(memoryFile, data + written, size - written, static_cast<off_t>(written));
        if (count <= 0) {
            return false;
        }
        written += static_cast<size_t>(count);
    }
    return true;
}

// Mixes device buffers until the channel has played out; returns the device frame reached.
int64_t mixUntilDone(AudioChannel& channel, int64_t deviceFrame, int maxCallbacks)
{
    std::vector<float> buffer(static_cast<size_t>(kDeviceBufferFrames) * kDeviceChannels);
    for (int callback = 0; callback < maxCallbacks; ++callback) {
        channel.mix(buffer.data(), kDeviceBufferFrames, deviceFrame);
        deviceFrame += kDeviceBufferFrames;
        // The listener is a whole buffer behind what was handed over.
        const double heard = static_cast<double>(deviceFrame - kDeviceBufferFrames);
        const int64_t frame = channel.heardFrame(heard);
        if (frame < 0 || frame > channel.decoder.lengthFrames) {
            __builtin_trap();
        }
        if (!channel.isPlaying(heard)) {
            return deviceFrame;
        }
    }
    return deviceFrame;
}

}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    memoryFile = memfd_create("fuzz-mp3", 0);
    if (memoryFile < 0) {
        std::perror("memfd_create");
        std::abort();
    }
    memoryPath = "/proc/self/fd/" + std::to_string(memoryFile);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!writeInput(data, size)) {
        std::abort();
    }
    AudioChannel channel;
    const int result = channel.create(memoryPath.c_str(), deviceSpec());
    if (result != kAudioOk) {
        if (result != kAudioErrorFileFormat) {
            __builtin_trap();
        }
        return 0;
    }
    if (channel.decoder.lengthFrames <= 0 || channel.decoder.rate <= 0 || channel.decoder.channels < 1 ||
        channel.decoder.channels > 2) {
        __builtin_trap();
    }
    // Played to the end, then again from the start with a stop and a continue
    // halfway, which seeks the decoder to where the listener stopped.
    if (!channel.play(true)) {
        __builtin_trap();
    }
    int64_t deviceFrame = mixUntilDone(channel, 0, kMaxCallbacks);
    if (channel.isPlaying(static_cast<double>(deviceFrame)) || !channel.play(true)) {
        __builtin_trap();
    }
    deviceFrame = mixUntilDone(channel, deviceFrame, kStopAfterCallbacks);
    channel.stop(static_cast<double>(deviceFrame - kDeviceBufferFrames));
    if (!channel.play(false)) {
        __builtin_trap();
    }
    deviceFrame = mixUntilDone(channel, deviceFrame, kMaxCallbacks);
    if (channel.isPlaying(static_cast<double>(deviceFrame))) {
        __builtin_trap();
    }
    channel.release();
    return 0;
}
