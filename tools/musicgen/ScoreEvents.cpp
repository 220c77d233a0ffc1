#include "ScoreEvents.h"

#include "Song.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace musicgen {

namespace {

// The lanes in the order --solo lists them; events at one row follow it.
const char* const kLanes[] = {"kick", "snare", "clap", "hats", "crash", "bass", "pad", "lead", "arp", "risers"};
constexpr double kRowsPerStep = static_cast<double>(kRowsPerBeat) / kStepsPerBeat;
constexpr int kRowsPerBar = kRowsPerBeat * kBeatsPerBar;
const char* const kPitchClassNames[] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};

const char* drumLane(Drum drum)
{
    switch (drum) {
    case Drum::Kick: return "kick";
    case Drum::Snare: return "snare";
    case Drum::Clap: return "clap";
    case Drum::ClosedHat:
    case Drum::OpenHat: return "hats";
    case Drum::Crash: return "crash";
    }
    return "";
}

int laneOrder(const char* lane)
{
    const auto* found = std::find_if(std::begin(kLanes), std::end(kLanes),
                                     [lane](const char* name) { return std::string(name) == lane; });
    return static_cast<int>(found - std::begin(kLanes));
}

void addNotes(std::vector<ScoreEvent>& events, const std::vector<Note>& notes, const char* lane)
{
    for (const Note& note : notes) {
        events.push_back({note.step * kRowsPerStep, lane, note.pitch, note.velocity});
    }
}

// The shortest text of a number to three decimals: "2", "2.5", "0.667".
std::string shortNumber(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", value);
    std::string number = text;
    number.erase(number.find_last_not_of('0') + 1);
    if (number.back() == '.') {
        number.pop_back();
    }
    return number;
}

}

std::string noteName(int pitch)
{
    return std::string(kPitchClassNames[((pitch % 12) + 12) % 12]) + std::to_string(pitch / 12 - 1);
}

std::vector<ScoreEvent> scoreEvents(const Score& score)
{
    std::vector<ScoreEvent> events;
    for (const DrumHit& hit : score.drums) {
        events.push_back({hit.step * kRowsPerStep, drumLane(hit.drum), -1, hit.velocity});
    }
    addNotes(events, score.bass, "bass");
    addNotes(events, score.pad, "pad");
    // The lead's octave above is the same part to the ear and to --solo.
    addNotes(events, score.lead, "lead");
    addNotes(events, score.leadHigh, "lead");
    addNotes(events, score.arp, "arp");
    for (const Riser& riser : score.risers) {
        events.push_back({riser.step * kRowsPerStep, "risers", -1, riser.velocity});
    }
    std::stable_sort(events.begin(), events.end(), [](const ScoreEvent& a, const ScoreEvent& b) {
        if (a.row != b.row) {
            return a.row < b.row;
        }
        if (laneOrder(a.lane) != laneOrder(b.lane)) {
            return laneOrder(a.lane) < laneOrder(b.lane);
        }
        return a.pitch < b.pitch;
    });
    return events;
}

std::string formatEvents(const std::vector<ScoreEvent>& events)
{
    std::string text =
        "# Every drum hit, note onset and riser start of the score, in row order (16 rows a beat).\n"
        "# BAR:BEAT:ROW LANE [NOTE] VELOCITY; ROW may have a fraction. Written by musicgen --events.\n";
    for (const ScoreEvent& event : events) {
        const int bar = static_cast<int>(std::floor(event.row / kRowsPerBar));
        const double inBar = event.row - static_cast<double>(bar) * kRowsPerBar;
        const int beat = static_cast<int>(std::floor(inBar / kRowsPerBeat));
        text += std::to_string(bar) + ":" + std::to_string(beat) + ":" +
                shortNumber(inBar - static_cast<double>(beat) * kRowsPerBeat) + " " + event.lane;
        if (event.pitch >= 0) {
            text += " " + noteName(event.pitch);
        }
        text += " " + shortNumber(event.velocity) + "\n";
    }
    return text;
}

}
