#pragma once

#include <cstddef>
#include <vector>

class MusicEvents;

// How found onsets compare with the score's events, both in rows.
struct OnsetScore {
    size_t found = 0;
    size_t events = 0;
    size_t matched = 0;  // pairs within the tolerance, each event and onset in one at most
    double recall = 0.0;     // matched / events
    double precision = 0.0;  // matched / found
    double medianOffsetRows = 0.0;  // of the matched onsets from their events: their lateness
};

// Both lists sorted. Each onset in turn takes the earliest event still free within the
// tolerance, which on a line pairs as many as any matching can.
OnsetScore scoreOnsets(const std::vector<double>& foundRows, const std::vector<double>& eventRows,
                       double toleranceRows);

// The rows of the drum lanes' events (kick, snare, clap, hats, crash), sorted, those on
// the same row counted once.
std::vector<double> percussionRows(const MusicEvents& events);
