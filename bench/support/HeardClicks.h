#pragma once

#include "ClickTimes.h"
#include "Recording.h"

#include <cstdint>
#include <vector>

// When the clicks were heard, from two captures of the sink's monitor, and
// which click each was.
namespace bench_support {

// The clicks of one capture: their first frames and their arrivals in seconds.
struct CaptureClicks {
    std::vector<int64_t> frames;
    std::vector<double> times;
};

// When each click of `capture` was heard: the earlier of its own arrival, less
// its latency against `reference` (a second capture of the same monitor), and
// the reference's arrival of the same click. A capture's thread can fall behind
// the sink for the rest of a run (SDL's PulseAudio capture after the server
// stalled, at 60 to 90 % of the sink's pace) while the other keeps up. Clicks
// are paired by their frames; the latency is where the pairs' differences crowd.
std::vector<double> heardClicks(const CaptureClicks& capture, const CaptureClicks& reference, int spacingFrames,
                                double* latency);

// Every whole click in a recording (findClicks) and when it arrived.
CaptureClicks captureClicks(testing_support::Recording& recording, float threshold, int quietFrames);

// A click as it was heard: when, and where the clock was then, against the
// click's own place in the music. A difference of places, not of times: while
// the sound stands still a clock that ran ahead stays ahead by what it ran.
struct Click {
    double heard = 0.0;
    double music = 0.0;
    double clock = 0.0;
    // Positive when the picture follows the sound.
    double offsetMs() const { return (music - clock) * 1000.0; }
};

// Where the polled clock was at `time`, between the polls around it; NaN
// outside them.
double clockAt(const std::vector<ClockPoll>& polls, double time);

// Which click each heard one is. A fault may lose a click from the recording
// (PipeWire once did, through a stall), so counting from the start would not do.
// Between two faults the clicks come one spacing apart in the recording; such a
// stretch is numbered as one, from where the clock was as they were heard (the
// picture is within a few milliseconds of the sound for most of any stretch).
std::vector<Click> numberClicks(const std::vector<ClockPoll>& polls, const ClickTrack& track,
                                const std::vector<int64_t>& frames, const std::vector<double>& heard, double spacing);

}
