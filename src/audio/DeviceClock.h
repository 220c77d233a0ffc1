#pragma once

#include <cstdint>

// Which output frame the listener hears now, for a device fed by callbacks.
// Each callback anchors the clock: the frames handed before it, less the audio the
// device still holds, are being heard at that instant. Between callbacks the clock
// runs on a high-resolution timer, but never beyond the next anchor, so it is
// monotonic and never ahead of the audio handed over.
class DeviceClock {
public:
    // queuedFrames: how much handed audio the device holds before it is heard.
    void reset(int frameRate, int queuedFrames, uint64_t ticksPerSecond);
    // Called by the callback, at its start, before it hands `frames` more frames.
    void onCallback(int frames, uint64_t nowTicks);
    // The output frame heard at nowTicks (fractional; 0 before the first callback).
    double heardFrame(uint64_t nowTicks) const;
    int64_t handedFrames() const { return handed; }

private:
    int rate = 0;
    int64_t queued = 0;
    uint64_t ticksPerSecond = 1;
    int64_t handed = 0;
    bool anchored = false;
    uint64_t anchorTicks = 0;
    int64_t anchorFrame = 0;
    int64_t limitFrame = 0;
};
