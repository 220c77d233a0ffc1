#include "MissReport.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace bench_support {

using testing_support::Recording;

void describeMiss(const char* kind, const std::vector<PolledPhase>& phases, Recording& capture,
                  Recording& reference, const std::string& serverLog)
{
    // Where the clock stood still longest of all: whether the server's recorder
    // went without pieces then and caught up after (a stalled server), or kept
    // its pace (the server played on).
    double longestStill = 0.0, longestStillEnd = 0.0;
    for (const PolledPhase& phase : phases) {
        double still = 0.0, stillEnd = 0.0, poll = 0.0, pollEnd = 0.0;
        for (size_t i = 1, since = 0; i < phase.polls.size(); ++i) {
            if (phase.polls[i].music > phase.polls[i - 1].music) {
                since = i;
            } else if (phase.polls[i].time - phase.polls[since].time > still && phase.polls[i].music > 0.0) {
                still = phase.polls[i].time - phase.polls[since].time;
                stillEnd = phase.polls[i].time;
            }
            if (phase.polls[i].time - phase.polls[i - 1].time > poll) {
                poll = phase.polls[i].time - phase.polls[i - 1].time;
                pollEnd = phase.polls[i].time;
            }
        }
        if (still > longestStill) {
            longestStill = still;
            longestStillEnd = stillEnd;
        }
        std::fprintf(stderr, "%s %s: clock still %.1f ms until %.3f s, polls apart %.1f ms until %.3f s\n", kind,
                     phase.name.c_str(), still * 1000.0, stillEnd, poll * 1000.0, pollEnd);
    }
    double endedAt = 0.0;
    const double gap = capture.longestGap(&endedAt);
    std::fprintf(stderr, "%s capture: longest wait %.1f ms until %.3f s\n", kind, gap * 1000.0, endedAt);
    constexpr double kAroundSeconds = 0.1;
    std::fprintf(stderr, "%s capture's pieces around the clock's longest stop:\n%s", kind,
                 capture.describePieces(longestStillEnd - longestStill - kAroundSeconds,
                                        longestStillEnd + kAroundSeconds).c_str());
    const double referenceGap = reference.longestGap(&endedAt);
    std::fprintf(stderr, "%s reference capture: longest wait %.1f ms until %.3f s\n", kind, referenceGap * 1000.0,
                 endedAt);
    std::ifstream log(serverLog);
    std::stringstream text;
    text << log.rdbuf();
    std::fprintf(stderr, "%s server log:\n%s\n", kind, text.str().c_str());
}

}
