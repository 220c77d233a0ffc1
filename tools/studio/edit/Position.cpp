#include "edit/Position.h"

#include "authoring/TrackText.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

namespace {

// A row computed from seconds may land a hair below the whole row it stands for.
constexpr double kRowSnap = 1e-6;

std::vector<std::string> splitColons(const std::string& text)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t at = text.find(':'); at != std::string::npos; at = text.find(':', start)) {
        parts.push_back(text.substr(start, at - start));
        start = at + 1;
    }
    parts.push_back(text.substr(start));
    return parts;
}

bool findMarker(const std::string& name, const std::vector<SourceMarker>& markers, double& row)
{
    for (const SourceMarker& marker : markers) {
        if (marker.name == name) {
            row = static_cast<double>(marker.bar * kRowsPerBar);
            return true;
        }
    }
    return false;
}

bool inRange(int64_t value, int64_t low, int64_t high)
{
    return value >= low && value < high;
}

}

bool parseStudioPosition(const std::string& text, const std::vector<SourceMarker>& markers, double& row,
                         std::string& error)
{
    if (!text.empty() && text[0] == '@') {
        if (findMarker(text.substr(1), markers, row)) {
            return true;
        }
        error = "the timeline names no marker " + text;
        return false;
    }
    std::vector<std::string> parts = splitColons(text);
    int64_t bar = 0;
    int64_t beat = 0;
    int64_t rowInBeat = 0;
    bool valid = parts.size() <= 3 && parseInteger(parts[0], bar) && bar >= 0 &&
                 (parts.size() < 2 || (parseInteger(parts[1], beat) && inRange(beat, 0, kBeatsPerBar))) &&
                 (parts.size() < 3 || (parseInteger(parts[2], rowInBeat) && inRange(rowInBeat, 0, kRowsPerBeat)));
    if (!valid) {
        error = "'" + text + "' is not a bar, BAR:BEAT:ROW or @name";
        return false;
    }
    row = static_cast<double>(bar * kRowsPerBar + beat * kRowsPerBeat + rowInBeat);
    return true;
}

bool isPositionForm(const std::string& text)
{
    if (!text.empty() && text[0] == '@') {
        return text.size() > 1 && std::all_of(text.begin() + 1, text.end(), [](char c) {
                   return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
               });
    }
    double row = 0.0;
    std::string error;
    return parseStudioPosition(text, {}, row, error);
}

std::string formatClock(double row)
{
    int64_t whole = static_cast<int64_t>(std::floor(std::max(row, 0.0) + kRowSnap));
    char text[48];
    std::snprintf(text, sizeof text, "%lld:%lld:%02lld", static_cast<long long>(whole / kRowsPerBar),
                  static_cast<long long>(whole % kRowsPerBar / kRowsPerBeat),
                  static_cast<long long>(whole % kRowsPerBeat));
    return text;
}
