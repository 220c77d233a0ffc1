#include "Notation.h"

#include "Song.h"

#include <algorithm>
#include <sstream>

namespace musicgen {

namespace {

// Semitones above C of the natural note letters.
int letterPitchClass(char letter)
{
    switch (letter) {
    case 'C': return 0;
    case 'D': return 2;
    case 'E': return 4;
    case 'F': return 5;
    case 'G': return 7;
    case 'A': return 9;
    case 'B': return 11;
    default: return -1;
    }
}

// Reads a letter and an optional sharp or flat from text[at], advancing at.
bool parsePitchClass(const std::string& text, size_t& at, int& pitchClass)
{
    if (at >= text.size() || letterPitchClass(text[at]) < 0) {
        return false;
    }
    pitchClass = letterPitchClass(text[at++]);
    if (at < text.size() && (text[at] == '#' || text[at] == 'b')) {
        pitchClass += text[at++] == '#' ? 1 : -1;
    }
    pitchClass = (pitchClass + 12) % 12;
    return true;
}

bool parseLength(const std::string& text, int& length)
{
    if (text.empty() || text.size() > 2 || text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    length = std::stoi(text);
    return length > 0;
}

int bassInterval(char symbol)
{
    switch (symbol) {
    case 'R': return 0;
    case 'F': return 7;
    case 'O': return 12;
    default: return -1;
    }
}

}

bool parseNoteName(const std::string& text, int& pitch)
{
    size_t at = 0;
    int pitchClass = 0;
    if (!parsePitchClass(text, at, pitchClass) || at + 1 != text.size() || text[at] < '0' || text[at] > '8') {
        return false;
    }
    pitch = 12 * (text[at] - '0' + 1) + pitchClass;
    return true;
}

bool parseMelodyBar(const std::string& text, std::vector<MelodyNote>& notes)
{
    std::istringstream tokens(text);
    int step = 0;
    for (std::string token; tokens >> token;) {
        size_t colon = token.find(':');
        int length = 0;
        if (colon == std::string::npos || !parseLength(token.substr(colon + 1), length)) {
            return false;
        }
        std::string name = token.substr(0, colon);
        int pitch = 0;
        if (name != "r" && !parseNoteName(name, pitch)) {
            return false;
        }
        if (name != "r") {
            notes.push_back({step, length, pitch});
        }
        step += length;
    }
    return step == kStepsPerBar;
}

bool parseDrumBar(const std::string& text, std::vector<double>& velocities)
{
    if (text.size() != kStepsPerBar) {
        return false;
    }
    velocities.assign(kStepsPerBar, 0.0);
    for (int step = 0; step < kStepsPerBar; ++step) {
        char c = text[static_cast<size_t>(step)];
        if (c >= '1' && c <= '9') {
            velocities[static_cast<size_t>(step)] = (c - '0') / 9.0;
        } else if (c != '.') {
            return false;
        }
    }
    return true;
}

bool parseBassBar(const std::string& text, std::vector<BassNote>& notes)
{
    if (text.size() != kStepsPerBar) {
        return false;
    }
    bool holding = false;
    for (int step = 0; step < kStepsPerBar; ++step) {
        char c = text[static_cast<size_t>(step)];
        if (c == '-' && holding) {
            notes.back().length += 1;
        } else if (bassInterval(c) >= 0) {
            notes.push_back({step, 1, bassInterval(c)});
            holding = true;
        } else if (c == '.') {
            holding = false;
        } else {
            return false;
        }
    }
    return true;
}

bool parseChord(const std::string& text, Chord& chord)
{
    size_t at = 0;
    if (!parsePitchClass(text, at, chord.root)) {
        return false;
    }
    chord.minor = at < text.size() && text[at] == 'm';
    return at + (chord.minor ? 1 : 0) == text.size();
}

int pitchAtOrAbove(int pitchClass, int floor)
{
    return floor + ((pitchClass - floor) % 12 + 12) % 12;
}

std::vector<int> chordTones(const Chord& chord, int floor)
{
    int intervals[3] = {0, chord.minor ? 3 : 4, 7};
    std::vector<int> tones;
    for (int interval : intervals) {
        tones.push_back(pitchAtOrAbove((chord.root + interval) % 12, floor));
    }
    std::sort(tones.begin(), tones.end());
    return tones;
}

}
