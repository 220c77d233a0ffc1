#pragma once

#include "Curve.h"
#include "Song.h"

#include <vector>

namespace musicgen {

enum class Drum { Kick, Snare, Clap, ClosedHat, OpenHat, Crash };

// Positions and lengths are sixteenth steps from the start of the song.
struct DrumHit {
    double step;
    Drum drum;
    double velocity;
};

struct Note {
    double step;
    double length;
    int pitch;
    double velocity;
};

struct Riser {
    double step;
    double length;
    double velocity;
};

// Everything the song plays, and the automation of its filters and level by bar.
struct Score {
    int bars = 0;
    std::vector<Section> sections;
    std::vector<DrumHit> drums;
    std::vector<Note> bass;
    std::vector<Note> pad;
    std::vector<Note> lead;
    std::vector<Note> leadHigh;
    std::vector<Note> arp;
    std::vector<Riser> risers;
    Curve padCutoff{true};
    Curve bassCutoff{true};
    Curve arpCutoff{true};
    Curve masterLevel{false};
};

}
