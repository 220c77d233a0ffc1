#include "audio/DeviceClock.h"

void DeviceClock::reset(int frameRate, int queuedFrames, uint64_t ticks)
{
    rate = frameRate;
    queued = queuedFrames;
    ticksPerSecond = ticks > 0 ? ticks : 1;
    handed = 0;
    anchored = false;
    anchorTicks = 0;
    anchorFrame = 0;
    limitFrame = 0;
}

void DeviceClock::onCallback(int frames, uint64_t nowTicks)
{
    // The next callback will anchor at limitFrame, so a clock that reached it waits
    // there instead of jumping back.
    anchorFrame = handed - queued;
    limitFrame = handed + frames - queued;
    anchorTicks = nowTicks;
    anchored = true;
    handed += frames;
}

double DeviceClock::heardFrame(uint64_t nowTicks) const
{
    if (!anchored) {
        return 0.0;
    }
    double elapsed = nowTicks > anchorTicks ? static_cast<double>(nowTicks - anchorTicks) : 0.0;
    double frame = static_cast<double>(anchorFrame) + elapsed * rate / static_cast<double>(ticksPerSecond);
    if (frame > static_cast<double>(limitFrame)) {
        frame = static_cast<double>(limitFrame);
    }
    return frame > 0.0 ? frame : 0.0;
}
