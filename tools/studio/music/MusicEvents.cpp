#include "music/MusicEvents.h"

#include "authoring/FileAccess.h"
#include "authoring/TrackText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace {

// The whole score's events are a few hundred kilobytes; a larger file is not one.
constexpr size_t kMaxEventsBytes = 16u << 20;
constexpr const char* kEventsExtension = ".events";
// Two events closer than this are at the same row, for a jump from one of them.
constexpr double kSameRow = 1e-6;

bool parsePosition(const std::string& word, double& row)
{
    int bar = 0;
    int beat = 0;
    char rowText[32] = {};
    int used = 0;
    if (std::sscanf(word.c_str(), "%d:%d:%31[0-9.]%n", &bar, &beat, rowText, &used) != 3 ||
        used != static_cast<int>(word.size()) || bar < 0 || beat < 0 || beat >= kBeatsPerBar) {
        return false;
    }
    char* end = nullptr;
    const double inBeat = std::strtod(rowText, &end);
    if (*end != '\0' || !(inBeat >= 0.0 && inBeat < kRowsPerBeat)) {
        return false;
    }
    row = (static_cast<double>(bar) * kBeatsPerBar + beat) * kRowsPerBeat + inBeat;
    return true;
}

bool parseLine(const std::string& line, MusicEvent& event)
{
    std::istringstream words(line);
    std::string position;
    std::vector<std::string> rest;
    words >> position >> event.lane;
    for (std::string word; words >> word;) {
        rest.push_back(word);
    }
    if (!parsePosition(position, event.row) || event.lane.empty() || rest.empty() || rest.size() > 2) {
        return false;
    }
    event.note = rest.size() == 2 ? rest[0] : "";
    char* end = nullptr;
    event.velocity = std::strtof(rest.back().c_str(), &end);
    return *end == '\0' && std::isfinite(event.velocity);
}

}

void MusicEvents::sortAndIndex()
{
    std::stable_sort(events.begin(), events.end(),
                     [](const MusicEvent& a, const MusicEvent& b) { return a.row < b.row; });
    for (MusicEvent& event : events) {
        event.laneIndex = static_cast<size_t>(std::find(laneNames.begin(), laneNames.end(), event.lane) - laneNames.begin());
    }
}

std::string eventsPathFor(const std::string& musicPath)
{
    const size_t dot = musicPath.rfind('.');
    const size_t slash = musicPath.rfind('/');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (hasExtension ? musicPath.substr(0, dot) : musicPath) + kEventsExtension;
}

bool MusicEvents::parse(const std::string& text, std::string& error)
{
    events.clear();
    laneNames.clear();
    std::istringstream lines(text);
    int number = 0;
    for (std::string line; std::getline(lines, line);) {
        ++number;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.find_first_not_of(" \t") == std::string::npos || line[line.find_first_not_of(" \t")] == '#') {
            continue;
        }
        MusicEvent event;
        if (!parseLine(line, event)) {
            error = "line " + std::to_string(number) + " is not BAR:BEAT:ROW LANE [NOTE] VELOCITY: " + line;
            return false;
        }
        if (std::find(laneNames.begin(), laneNames.end(), event.lane) == laneNames.end()) {
            laneNames.push_back(event.lane);
        }
        events.push_back(event);
    }
    sortAndIndex();
    return true;
}

bool MusicEvents::load(const std::string& musicPath, std::string& error)
{
    path.clear();
    const std::string eventsPath = eventsPathFor(musicPath);
    std::string text;
    std::string problem;
    if (!readFileBytes(eventsPath, kMaxEventsBytes, text, problem)) {
        events.clear();
        laneNames.clear();
        error = "cannot read " + eventsPath + ": " + problem;
        return false;
    }
    if (!parse(text, problem)) {
        // Half a file is no help: an author would trust marks that are not all there.
        events.clear();
        laneNames.clear();
        error = eventsPath + ": " + problem;
        return false;
    }
    path = eventsPath;
    return true;
}

bool MusicEvents::step(const std::string& lane, double row, int direction, double& found) const
{
    if (lane == kAnyLane) {
        return step(laneNames, row, direction, found);
    }
    return step(std::vector<std::string>{lane}, row, direction, found);
}

bool MusicEvents::step(const std::vector<std::string>& lanes, double row, int direction, double& found) const
{
    bool have = false;
    for (const MusicEvent& event : events) {
        if (std::find(lanes.begin(), lanes.end(), event.lane) == lanes.end()) {
            continue;
        }
        if (direction > 0 && event.row > row + kSameRow) {
            found = event.row;
            return true;
        }
        if (direction < 0 && event.row < row - kSameRow) {
            found = event.row;
            have = true;
        }
    }
    return have;
}

bool MusicEvents::nearest(const std::vector<std::string>& lanes, double row, double& found) const
{
    double before = 0.0;
    double after = 0.0;
    const bool hasBefore = step(lanes, row + kSameRow, -1, before);
    const bool hasAfter = step(lanes, row - kSameRow, 1, after);
    if (!hasBefore && !hasAfter) {
        return false;
    }
    found = !hasAfter || (hasBefore && row - before <= after - row) ? before : after;
    return true;
}

void MusicEvents::addLane(const std::string& lane, const std::vector<double>& rows)
{
    for (double row : rows) {
        events.push_back(MusicEvent{row, lane, "", 1.0f});
    }
    if (!rows.empty() && std::find(laneNames.begin(), laneNames.end(), lane) == laneNames.end()) {
        laneNames.push_back(lane);
    }
    sortAndIndex();
}
