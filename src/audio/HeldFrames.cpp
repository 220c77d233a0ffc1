#include "audio/HeldFrames.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr const char* kPulseDriver = "pulseaudio";
constexpr const char* kWasapiDriver = "wasapi";

// SDL hands the next buffer once the server has asked for half of one, so at a
// callback PulseAudio holds at least half a buffer, and its sink a little more
// (1.8 ms on a null sink). Half a buffer and this margin, 5.8 ms, are counted: the
// picture follows the sound by a few milliseconds rather than ever leading it.
// With the 512-frame buffer of a 16 ms period that is the whole buffer.
constexpr double kPulseAudioMarginSeconds = 256.0 / 44100.0;
// PipeWire's service holds about 21 ms of a stream whatever its buffer (20.8 ms
// with 512 frames, 20.9 with 1,024, as measured by bench_loopback on 0.3.65):
// one default quantum of its 48 kHz graph, 1,024 frames. Counted with 4 ms
// more for its graph's and SDL's wake-ups, so that the clock stays behind.
constexpr double kPipeWireHeldSeconds = 1024.0 / 48000.0 + 0.004;
// SDL's wasapi driver asks for the next period once the endpoint buffer holds
// one period or less, and the engine mixes a period ahead of the device; two
// periods and a margin for the device's own latency are counted. See
// docs/audio.md: no real Windows machine has measured it.
constexpr int kWasapiHeldPeriods = 2;
constexpr double kWasapiMarginSeconds = 0.003;
// The thread that feeds the device wakes a few milliseconds late now and then,
// and the clock runs on that long past a buffer. A stopped server asks nothing
// and plays nothing, and the picture leads it by as much, less what the clock
// counts as held beyond what the server holds. PipeWire's service now and then
// asks 20 to 30 ms late while it plays on from the quantum it holds, and the
// picture falls behind meanwhile: each millisecond here is one less behind then
// and one more ahead through a stop. Its 6 ms keep both within their targets,
// as bench_loopback_faults and twenty plain runs measured them (docs/audio.md).
constexpr double kLateRequestSeconds = 0.004;
constexpr double kPipeWireLateRequestSeconds = 0.006;

int framesIn(double seconds, int frameRate)
{
    return static_cast<int>(std::lround(seconds * frameRate));
}

}

int pulseServerHeldFrames(PulseServerKind kind, int bufferFrames, int frameRate)
{
    const int pulseAudio = bufferFrames / 2 + framesIn(kPulseAudioMarginSeconds, frameRate);
    if (kind != PulseServerKind::PipeWire) {
        return pulseAudio;
    }
    return std::max(pulseAudio, framesIn(kPipeWireHeldSeconds, frameRate));
}

int wasapiHeldFrames(int periodFrames, int frameRate)
{
    return kWasapiHeldPeriods * periodFrames + framesIn(kWasapiMarginSeconds, frameRate);
}

int deviceHeldFrames(const char* driver, PulseServerKind server, int bufferFrames, int frameRate)
{
    if (driver != nullptr && std::strcmp(driver, kPulseDriver) == 0) {
        return pulseServerHeldFrames(server, bufferFrames, frameRate);
    }
    if (driver != nullptr && std::strcmp(driver, kWasapiDriver) == 0) {
        return wasapiHeldFrames(bufferFrames, frameRate);
    }
    return bufferFrames;
}

int deviceLateFrames(const char* driver, PulseServerKind server, int frameRate)
{
    const bool pipeWire = driver != nullptr && std::strcmp(driver, kPulseDriver) == 0 &&
                          server == PulseServerKind::PipeWire;
    return framesIn(pipeWire ? kPipeWireLateRequestSeconds : kLateRequestSeconds, frameRate);
}
