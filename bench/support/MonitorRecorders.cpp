#include "MonitorRecorders.h"

#include <SDL.h>

namespace bench_support {

namespace {

constexpr const char* kMonitor = "loop.monitor";
constexpr int kRecorderLatencyMs = 2;
constexpr int kReferenceFrames = 64;

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
        heard.inBurst.push_back(recorder.recording().cameInBurst(frame));
    }
    return heard;
}

}
