#pragma once

#include "ClickTimes.h"
#include "Recording.h"

#include <string>
#include <vector>

namespace bench_support {

struct PolledPhase {
    std::string name;
    std::vector<ClockPoll> polls;
};

// Where a run misses: when the clock stood still longest while playing (no
// callback: the server or SDL's playback thread), when each capture's thread
// waited longest, when this thread's polls did, and the server's own log.
void describeMiss(const char* kind, const std::vector<PolledPhase>& phases, testing_support::Recording& capture,
                  testing_support::Recording& reference, const std::string& serverLog);

}
