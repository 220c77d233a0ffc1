#include "Composition.h"

#include "ScoreWriter.h"

namespace musicgen {

namespace {

// A minor, i-VI-III-VII, and a darker VI-VII-v-i for the breakdown.
const char* const kVerseChords[4] = {"Am", "F", "C", "G"};
const char* const kBreakdownChords[4] = {"F", "G", "Em", "Am"};

// The hook answers itself: phrase A rises to G over C, phrase B climbs to A.
const char* const kHookA[4] = {
    "E5:3 D5:3 C5:2 D5:2 E5:4 A4:2",
    "C5:3 A4:3 C5:2 F5:4 E5:2 C5:2",
    "E5:3 D5:3 C5:2 D5:2 G5:4 E5:2",
    "D5:6 B4:2 D5:4 G4:4",
};
const char* const kHookB[4] = {
    "E5:3 D5:3 C5:2 D5:2 E5:4 A5:2",
    "A5:3 G5:3 F5:2 E5:4 C5:4",
    "G5:3 E5:3 C5:2 E5:2 G5:2 A5:4",
    "G5:4 D5:4 B4:4 r:2 E5:2",
};
// Phrase B with a last bar that lands on A and lets the section breathe out.
const char* const kHookEnd[4] = {
    "E5:3 D5:3 C5:2 D5:2 E5:4 A5:2",
    "A5:3 G5:3 F5:2 E5:4 C5:4",
    "G5:3 E5:3 C5:2 E5:2 G5:2 A5:4",
    "D5:3 E5:3 G5:2 A5:8",
};
// Four bars each: A, B, A, then B with its landing.
const char* const* const kMainPhrases[4] = {kHookA, kHookB, kHookA, kHookEnd};
const char* const kBreakdownTheme[8] = {
    "C5:8 A4:4 C5:4",  "D5:8 B4:4 D5:4", "E5:12 D5:2 B4:2", "C5:6 B4:2 A4:8",
    "A5:8 G5:4 F5:4", "G5:8 D5:4 B4:4", "E5:6 G5:6 B5:4", "A5:16",
};

const char* const kFourOnTheFloor = "9...9...9...9...";
const char* const kKickDrop = "9...9...9.......";
const char* const kBackbeat = "....9.......9...";
const char* const kSnareFill = "............4679";
const char* const kHatsOffbeat = "..5...5...5...5.";
const char* const kHatsRolling = "32.332.332.332.3";
const char* const kOpenHats = "..6...6...6...6.";
const char* const kCrash = "9...............";
const char* const kBassGroove = "R-.R-.O.R-.R-.OF";
const char* const kBassPump = "..R-..R-..R-..R-";
const char* const kBassDrone = "R---------------";

const char* verseChord(int bar) { return kVerseChords[bar % 4]; }

void writeIntro(ScoreWriter& w, int first, int end)
{
    w.section("intro", first, end);
    for (int bar = first; bar < end; ++bar) {
        w.pad(bar, verseChord(bar), 1.0, 0.8);
        if (bar >= first + 4) {
            w.arp(bar, verseChord(bar), 0.5);
            w.drums(bar, Drum::ClosedHat, kHatsOffbeat, 0.6);
        }
    }
    w.riser(end - 2, 2, 0.35);
}

void writeBuild(ScoreWriter& w, int first, int end)
{
    w.section("build", first, end);
    int half = first + (end - first) / 2;
    for (int bar = first; bar < end; ++bar) {
        w.pad(bar, verseChord(bar), 1.0, 0.8);
        w.arp(bar, verseChord(bar), 0.6);
        w.bass(bar, verseChord(bar), kBassPump, 0.8);
        w.drums(bar, Drum::Kick, bar == end - 1 ? kKickDrop : kFourOnTheFloor);
        w.drums(bar, Drum::ClosedHat, bar < half ? kHatsOffbeat : kHatsRolling);
        if (bar >= half && bar < end - 2) {
            w.drums(bar, Drum::Clap, kBackbeat, 0.8);
        }
    }
    w.snareRoll(end, 2);
    w.riser(half, end - half, 0.8);
}

// Both main parts share the groove; the second doubles the hook an octave up.
void writeMain(ScoreWriter& w, Score& score, const char* name, int first, int end, bool second)
{
    w.section(name, first, end);
    for (int bar = first; bar < end; ++bar) {
        int inPart = bar - first;
        w.pad(bar, verseChord(bar), 1.0, 0.75);
        w.arp(bar, verseChord(bar), second ? 0.45 : 0.35);
        w.bass(bar, verseChord(bar), kBassGroove, 0.9);
        w.drums(bar, Drum::Kick, kFourOnTheFloor);
        w.drums(bar, Drum::Clap, kBackbeat);
        w.drums(bar, Drum::ClosedHat, kHatsRolling);
        w.drums(bar, Drum::OpenHat, kOpenHats, second ? 0.8 : 0.6);
        if (inPart % 8 == 0) {
            w.drums(bar, Drum::Crash, kCrash);
        }
        if (inPart % 8 == 7) {
            w.drums(bar, Drum::Snare, kSnareFill, 0.8);
        }
        const char* const* phrase = kMainPhrases[(inPart / 4) % 4];
        w.melody(score.lead, bar, phrase[inPart % 4], 0.9);
        if (second) {
            w.melody(score.leadHigh, bar, phrase[inPart % 4], 0.6, 12);
        }
    }
}

void writeBreakdown(ScoreWriter& w, Score& score, int first, int end)
{
    w.section("breakdown", first, end);
    int half = first + (end - first) / 2;
    w.drums(first, Drum::Crash, kCrash, 0.6);
    for (int bar = first; bar < half; ++bar) {
        const char* chord = kBreakdownChords[bar % 4];
        w.pad(bar, chord, 1.0, 0.9);
        w.bass(bar, chord, kBassDrone, 0.55);
        w.melody(score.lead, bar, kBreakdownTheme[(bar - first) % 8], 0.6);
    }
    // The second half winds the verse back up towards the last main part.
    int rise = half + (end - half) / 2;
    for (int bar = half; bar < end; ++bar) {
        w.pad(bar, verseChord(bar), 1.0, 0.8);
        w.arp(bar, verseChord(bar), 0.3 + 0.3 * (bar - half) / (end - half));
        w.bass(bar, verseChord(bar), kBassPump, 0.7);
        w.drums(bar, Drum::ClosedHat, bar < rise ? kHatsOffbeat : kHatsRolling);
        if (bar >= rise) {
            w.drums(bar, Drum::Kick, bar == end - 1 ? kKickDrop : kFourOnTheFloor, 0.9);
        }
        if (bar < rise) {
            w.melody(score.lead, bar, kHookA[(bar - half) % 4], 0.5);
        }
    }
    w.snareRoll(end, 2);
    w.riser(rise, end - rise, 0.8);
}

void writeOutro(ScoreWriter& w, Score& score, int first, int end)
{
    w.section("outro", first, end);
    int half = first + (end - first) / 2;
    w.drums(first, Drum::Crash, kCrash, 0.8);
    for (int bar = first; bar < half; ++bar) {
        w.pad(bar, verseChord(bar), 1.0, 0.75);
        w.arp(bar, verseChord(bar), 0.4);
        w.bass(bar, verseChord(bar), kBassGroove, 0.85);
        w.drums(bar, Drum::Kick, kFourOnTheFloor);
        w.drums(bar, Drum::ClosedHat, kHatsRolling);
        w.drums(bar, Drum::OpenHat, kOpenHats, 0.5);
        w.melody(score.lead, bar, kHookA[(bar - first) % 4], 0.55);
    }
    // The last bars ring out on F, G and a long A minor.
    const char* const ending[3] = {"F", "G", "Am"};
    w.pad(half, ending[0], 1.0, 0.7);
    w.pad(half + 1, ending[1], 1.0, 0.7);
    w.pad(half + 2, ending[2], end - half - 2, 0.7);
    w.bass(half + 2, ending[2], kBassDrone, 0.5);
    for (int bar = half; bar < end - 1; ++bar) {
        w.arp(bar, ending[bar - half], 0.35 - 0.08 * (bar - half));
        w.drums(bar, Drum::ClosedHat, kHatsOffbeat, 0.5);
    }
}

void writeAutomation(Score& score)
{
    // Bar, cutoff in Hz: the pad opens through the intro and build, closes in
    // the breakdown and opens again into the second main part.
    const double pad[][2] = {{0, 350}, {8, 1400}, {16, 5200}, {16.01, 3000}, {32, 3000}, {32.01, 2200},
                             {40, 900}, {48, 5200}, {48.01, 3200}, {64, 3200}, {72, 900}};
    const double bass[][2] = {{8, 180}, {16, 900}, {16.01, 650}, {32, 650}, {40, 160},
                              {48, 900}, {48.01, 700}, {64, 700}, {72, 300}};
    const double arp[][2] = {{0, 500}, {8, 1200}, {16, 4000}, {16.01, 2600}, {32, 2600}, {40, 700},
                             {48, 4500}, {48.01, 3000}, {64, 3000}, {72, 900}};
    for (const auto& p : pad) {
        score.padCutoff.add(p[0], p[1]);
    }
    for (const auto& p : bass) {
        score.bassCutoff.add(p[0], p[1]);
    }
    for (const auto& p : arp) {
        score.arpCutoff.add(p[0], p[1]);
    }
    // The whole mix fades to silence over the last four bars.
    score.masterLevel.add(0, 1.0);
    score.masterLevel.add(68, 1.0);
    score.masterLevel.add(70, 0.75);
    score.masterLevel.add(71.5, 0.25);
    score.masterLevel.add(72, 0.0);
}

}

bool composeSong(Score& score)
{
    ScoreWriter w(score);
    writeIntro(w, 0, 8);
    writeBuild(w, 8, 16);
    writeMain(w, score, "main", 16, 32, false);
    writeBreakdown(w, score, 32, 48);
    writeMain(w, score, "main2", 48, 64, true);
    writeOutro(w, score, 64, 72);
    writeAutomation(score);
    return w.ok();
}

}
