#pragma once

#include "HeardClicks.h"
#include "MonitorCapture.h"
#include "ServerCapture.h"

#include <string>
#include <vector>

// The two recordings of the sink's monitor that the loopback benchmarks hear the
// clicks by: the server's own recorder, which keeps its pace after the server
// stalled, where SDL's captures do not, and SDL's capture with the smallest
// buffer, which, while it keeps up, tells how late the recorder hears.
namespace bench_support {

// The recorder's clicks and when each was heard.
struct HeardRecording {
    CaptureClicks clicks;
    std::vector<double> heard;
    // The recorder's latency against SDL's capture, in seconds.
    double latency = 0.0;
    // Per click, whether the recorder got it in a burst: rendered faster than
    // real time (Recording::cameInBurst), or in the catch-up after the server
    // stood, so heard at no one moment.
    std::vector<bool> inBurst;
};

class MonitorRecorders {
public:
    // SDL's audio subsystem must be running, on the server SoundServer started.
    // `error` says why they did not start.
    bool open();
    void close();
    // After close: the clicks found by `threshold` after `quietFrames` of quiet,
    // `spacingFrames` apart.
    HeardRecording hear(float threshold, int quietFrames, int spacingFrames);
    // Whether the recorder got `frame` in one piece after the server stood.
    bool cameAfterStand(int64_t frame);

    ServerCapture recorder;
    testing_support::MonitorCapture reference;
    std::string error;
};

}
