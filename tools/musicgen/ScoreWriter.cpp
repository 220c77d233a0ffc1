#include "ScoreWriter.h"

#include <algorithm>
#include <cstdio>

namespace musicgen {

namespace {

constexpr int kBassFloor = 31;   // G1: every bass root sits in the octave above
constexpr int kPadFloor = 57;    // A3: pad triads sit in the octave above
constexpr int kArpFloor = 64;    // E4: the arpeggio climbs from here
constexpr double kBassGate = 0.9; // fraction of a step a bass note sounds, so repeats re-attack

// Indices into the arpeggio's ladder of chord tones (three per octave).
constexpr int kArpPattern[kStepsPerBar] = {0, 1, 2, 3, 4, 3, 2, 1, 2, 3, 4, 5, 4, 3, 2, 1};

double barStep(int bar) { return static_cast<double>(bar) * kStepsPerBar; }

}

void ScoreWriter::fail(const char* what, const char* text)
{
    std::fprintf(stderr, "musicgen: malformed %s \"%s\"\n", what, text);
    valid = false;
}

bool ScoreWriter::chord(const char* text, Chord& out)
{
    if (!parseChord(text, out)) {
        fail("chord", text);
        return false;
    }
    return true;
}

void ScoreWriter::section(const std::string& name, int firstBar, int endBar)
{
    score.sections.push_back({name, firstBar, endBar});
    score.bars = std::max(score.bars, endBar);
}

void ScoreWriter::drums(int bar, Drum drum, const char* grid, double gain)
{
    std::vector<double> velocities;
    if (!parseDrumBar(grid, velocities)) {
        fail("drum bar", grid);
        return;
    }
    for (int step = 0; step < kStepsPerBar; ++step) {
        double velocity = velocities[static_cast<size_t>(step)];
        if (velocity > 0.0) {
            score.drums.push_back({barStep(bar) + step, drum, velocity * gain});
        }
    }
}

void ScoreWriter::snareRoll(int endBar, int bars)
{
    // Eighths, then sixteenths, then thirty-seconds in the last beat.
    double start = barStep(endBar - bars);
    double end = barStep(endBar);
    double step = start;
    while (step < end - 1e-9) {
        double progress = (step - start) / (end - start);
        double spacing = progress < 0.5 ? 2.0 : (end - step > 4.0 ? 1.0 : 0.5);
        score.drums.push_back({step, Drum::Snare, 0.25 + 0.7 * progress * progress});
        step += spacing;
    }
}

void ScoreWriter::riser(int bar, int bars, double velocity)
{
    score.risers.push_back({barStep(bar), static_cast<double>(bars) * kStepsPerBar, velocity});
}

void ScoreWriter::bass(int bar, const char* chordName, const char* grid, double velocity)
{
    Chord c;
    std::vector<BassNote> notes;
    if (!chord(chordName, c)) {
        return;
    }
    if (!parseBassBar(grid, notes)) {
        fail("bass bar", grid);
        return;
    }
    int root = pitchAtOrAbove(c.root, kBassFloor);
    for (const BassNote& n : notes) {
        score.bass.push_back({barStep(bar) + n.step, n.length * kBassGate, root + n.interval, velocity});
    }
}

void ScoreWriter::pad(int bar, const char* chordName, double bars, double velocity)
{
    Chord c;
    if (!chord(chordName, c)) {
        return;
    }
    std::vector<int> tones = chordTones(c, kPadFloor);
    tones.push_back(tones[0] + 12); // the doubled top voice opens the chord up
    for (int pitch : tones) {
        score.pad.push_back({barStep(bar), bars * kStepsPerBar, pitch, velocity});
    }
}

void ScoreWriter::arp(int bar, const char* chordName, double velocity)
{
    Chord c;
    if (!chord(chordName, c)) {
        return;
    }
    std::vector<int> tones = chordTones(c, kArpFloor);
    for (int step = 0; step < kStepsPerBar; ++step) {
        int index = kArpPattern[step];
        int pitch = tones[static_cast<size_t>(index % 3)] + 12 * (index / 3);
        // The downbeat of each beat leans forward a little.
        double accent = step % kStepsPerBeat == 0 ? 1.0 : 0.75;
        score.arp.push_back({barStep(bar) + step, 1.0, pitch, velocity * accent});
    }
}

void ScoreWriter::melody(std::vector<Note>& part, int bar, const char* text, double velocity, int transpose)
{
    std::vector<MelodyNote> notes;
    if (!parseMelodyBar(text, notes)) {
        fail("melody bar", text);
        return;
    }
    for (const MelodyNote& n : notes) {
        part.push_back({barStep(bar) + n.step, static_cast<double>(n.length), n.pitch + transpose, velocity});
    }
}

}
