#include "audio/DeviceClock.h"

#include <algorithm>
#include <cmath>

namespace {

// A loop bandwidth of about one hertz follows a device's pace within a second or
// two and passes little of the millisecond jitter of the callback thread.
constexpr double kLoopBandwidthHz = 1.0;
constexpr double kTwoPi = 6.283185307179586;

}

void DeviceClock::reset(int frameRate, int queuedFrames, int lateFrames, uint64_t ticks)
{
    rate = frameRate;
    queued = queuedFrames;
    late = lateFrames;
    ticksPerSecond = ticks > 0 ? ticks : 1;
    handed = 0;
    anchored = false;
    anchorFrame = 0;
    limitFrame = 0;
    lastHeard = 0.0;
    anchorTime = 0.0;
    nextTime = 0.0;
    period = 0.0;
    lastFrames = 0;
}

void DeviceClock::lockOn(double now, double bufferSeconds)
{
    anchorTime = now;
    period = bufferSeconds;
    nextTime = now + bufferSeconds;
}

void DeviceClock::onCallback(int frames, uint64_t nowTicks)
{
    // What the first callbacks hand over only fills the device; it is heard once
    // the device asks for more. A sound server may start that late (an idle
    // PulseAudio null sink, up to two seconds), and until then the clock must not
    // run ahead of the sound.
    if (handed < queued) {
        handed += frames;
        return;
    }
    const double now = static_cast<double>(nowTicks) / static_cast<double>(ticksPerSecond);
    const double nominal = static_cast<double>(frames) / rate;
    const double error = now - nextTime;
    // A first callback, a new buffer size or a stall (the device ran dry) starts
    // the loop afresh at this callback.
    if (!anchored || frames != lastFrames || std::fabs(error) > period) {
        lockOn(now, nominal);
    } else {
        const double omega = kTwoPi * kLoopBandwidthHz * period;
        anchorTime = nextTime;
        nextTime += std::sqrt(2.0) * omega * error + period;
        period = std::clamp(period + omega * omega * error, nominal / 2.0, nominal * 2.0);
    }
    // Between callbacks the device plays about one buffer, never more than all it
    // was given; a device that stopped (a stalled server, a starved stream) sends
    // no callback at all, and the clock must not run on without it. When a late
    // callback anchors behind the clock, heardFrame holds it until it catches up.
    anchorFrame = handed - queued;
    limitFrame = std::min(handed + frames, anchorFrame + frames + late);
    anchored = true;
    lastFrames = frames;
    handed += frames;
}

double DeviceClock::heardFrame(uint64_t nowTicks)
{
    if (!anchored) {
        return 0.0;
    }
    const double now = static_cast<double>(nowTicks) / static_cast<double>(ticksPerSecond);
    const double framesPerSecond = lastFrames / period;
    // Before the loop's estimate of this buffer's start (the callback came early)
    // the clock is still on the line it was on.
    double frame = static_cast<double>(anchorFrame) + (now - anchorTime) * framesPerSecond;
    frame = std::min(frame, static_cast<double>(limitFrame));
    lastHeard = std::max(lastHeard, frame);
    return lastHeard;
}
