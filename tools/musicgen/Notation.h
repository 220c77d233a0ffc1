#pragma once

#include <string>
#include <vector>

namespace musicgen {

// The score is written as short texts, one bar of sixteen steps each:
//   melody  "E5:3 D5:3 C5:2 r:2 A4:6"   note name (C4 = MIDI 60) or r, then its length in steps
//   drums   "9...9...9...9..."         a digit is a hit of that velocity in ninths, '.' nothing
//   bass    "R-.R-.O.R-.R-.OF"         R root, O octave, F fifth, '-' holds the note before, '.' rest
//   chord   "Am", "F", "C#m"           a major or minor triad
struct MelodyNote {
    int step;
    int length;
    int pitch; // MIDI note number
};

struct BassNote {
    int step;
    int length;
    int interval; // semitones above the chord's root
};

struct Chord {
    int root = 0; // pitch class, C = 0
    bool minor = false;
};

// Each returns false when the text is malformed or does not fill exactly one bar.
bool parseNoteName(const std::string& text, int& pitch);
bool parseMelodyBar(const std::string& text, std::vector<MelodyNote>& notes);
bool parseDrumBar(const std::string& text, std::vector<double>& velocities);
bool parseBassBar(const std::string& text, std::vector<BassNote>& notes);
bool parseChord(const std::string& text, Chord& chord);

// The pitch of a pitch class in the octave starting at `floor`.
int pitchAtOrAbove(int pitchClass, int floor);
// The triad's pitches: the lowest chord tone at or above `floor`, then the next two.
std::vector<int> chordTones(const Chord& chord, int floor);

}
