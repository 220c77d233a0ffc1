#pragma once

#include <cstdint>

// Which output frame the listener hears now, for a device fed by callbacks.
// Each callback anchors the clock: the frames handed before it, less what
// the device still holds, are being heard at that instant. The callbacks that
// fill the device before it plays anchor nothing. The instants pass
// through a delay-locked loop, so the callback thread's wake-up jitter does not
// reach the clock while the device's true pace does. Between callbacks the clock
// runs on a high-resolution timer at that pace, never back, never beyond what was
// handed over, and no further than a buffer past the last callback: a device that
// stops asking has stopped playing.
class DeviceClock {
public:
    // queuedFrames: how much handed audio the device holds before it is heard;
    // lateFrames: how far past one buffer the clock runs on without a callback.
    void reset(int frameRate, int queuedFrames, int lateFrames, uint64_t ticksPerSecond);
    // Called by the callback, at its start, before it hands `frames` more frames.
    void onCallback(int frames, uint64_t nowTicks);
    // The output frame heard at nowTicks (fractional; 0 before the first callback).
    double heardFrame(uint64_t nowTicks);
    int64_t handedFrames() const { return handed; }
    // Whether the device plays: it has asked for more than filling it took.
    bool started() const { return anchored; }

private:
    void lockOn(double now, double period);

    int rate = 0;
    int64_t queued = 0;
    int64_t late = 0;
    uint64_t ticksPerSecond = 1;
    int64_t handed = 0;
    bool anchored = false;
    int64_t anchorFrame = 0;
    int64_t limitFrame = 0;
    double lastHeard = 0.0;
    // The loop's estimates, in seconds: when this callback's buffer started, when
    // the next one will, and how long one buffer lasts.
    double anchorTime = 0.0;
    double nextTime = 0.0;
    double period = 0.0;
    int lastFrames = 0;
};
