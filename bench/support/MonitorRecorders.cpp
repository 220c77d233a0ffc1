#include "MonitorRecorders.h"

#include <SDL.h>

namespace bench_support {

namespace {

constexpr const char* kMonitor = "loop.monitor";
constexpr int kRecorderLatencyMs = 2;
constexpr int kReferenceFrames = 64;

}

// A server that stood (stopped, or not scheduled) renders the time it missed at
// once when it goes on, the stream's sound in it: both captures wait through
// the stand, and the recorder's next piece brings the whole of it. A recorder
// that merely woke late brings as much, but SDL's capture kept arriving.
bool MonitorRecorders::cameAfterStand(int64_t frame)
{
    constexpr double kStandSeconds = 0.02;
    // Either capture's wake-up may be late by this much at either end.
    constexpr double kSlackSeconds = 0.005;
    double since = 0.0;
    const double wait = recorder.recording().waitFor(frame, &since);
    return wait >= kStandSeconds &&
           !reference.recording().arrivedBetween(since + kSlackSeconds, since + wait - kSlackSeconds);
}

bool MonitorRecorders::open()
{
    if (!recorder.open(kMonitor, kRecorderLatencyMs)) {
        error = recorder.error;
        return false;
    }
    if (!reference.open(kReferenceFrames)) {
        error = std::string("SDL's capture: ") + SDL_GetError();
        recorder.close();
        return false;
    }
    return true;
}

void MonitorRecorders::close()
{
    recorder.close();
    reference.close();
}

HeardRecording MonitorRecorders::hear(float threshold, int quietFrames, int spacingFrames)
{
    HeardRecording heard;
    heard.clicks = captureClicks(recorder.recording(), threshold, quietFrames);
    heard.heard = heardClicks(heard.clicks, captureClicks(reference.recording(), threshold, quietFrames),
                              spacingFrames, &heard.latency);
    for (int64_t frame : heard.clicks.frames) {
        heard.inBurst.push_back(recorder.recording().cameInBurst(frame) || cameAfterStand(frame));
    }
    return heard;
}

}
