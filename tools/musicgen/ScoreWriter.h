#pragma once

#include "Notation.h"
#include "Score.h"

#include <string>
#include <vector>

namespace musicgen {

// Writes bars of notation into a score. A malformed pattern is reported once
// and leaves ok() false, so the tool refuses to render a half-written song.
class ScoreWriter {
public:
    explicit ScoreWriter(Score& score) : score(score) {}
    bool ok() const { return valid; }

    void section(const std::string& name, int firstBar, int endBar);
    void drums(int bar, Drum drum, const char* grid, double gain = 1.0);
    // An accelerating snare roll over `bars` bars ending at endBar, rising in level.
    void snareRoll(int endBar, int bars);
    void riser(int bar, int bars, double velocity);
    void bass(int bar, const char* chord, const char* grid, double velocity);
    void pad(int bar, const char* chord, double bars, double velocity);
    void arp(int bar, const char* chord, double velocity);
    void melody(std::vector<Note>& part, int bar, const char* text, double velocity, int transpose = 0);

private:
    bool chord(const char* text, Chord& out);
    void fail(const char* what, const char* text);
    Score& score;
    bool valid = true;
};

}
