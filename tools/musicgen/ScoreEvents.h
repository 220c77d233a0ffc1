#pragma once

#include "Score.h"

#include <string>
#include <vector>

namespace musicgen {

// One thing the score plays where an author may want a key: a drum hit, a note's
// onset or a riser's start, on the timeline's rows.
struct ScoreEvent {
    double row = 0.0;          // from the song's start, 16 a beat
    const char* lane = "";     // the part's name as --solo takes it
    int pitch = -1;            // MIDI note; -1 for drums and risers
    double velocity = 0.0;
};

// Every event of the score in row order; at one row, in the order of the lanes.
std::vector<ScoreEvent> scoreEvents(const Score& score);

// The events file: a comment header, then a line an event,
// BAR:BEAT:ROW LANE [NOTE] VELOCITY.
std::string formatEvents(const std::vector<ScoreEvent>& events);

// "A3" for MIDI note 57, sharps for the black keys.
std::string noteName(int pitch);

}
