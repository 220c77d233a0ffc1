#include "OnsetScore.h"

#include "MusicEvents.h"

#include <algorithm>
#include <cmath>

namespace {

const char* const kPercussionLanes[] = {"kick", "snare", "clap", "hats", "crash"};
constexpr double kSameRow = 1e-6;

}

OnsetScore scoreOnsets(const std::vector<double>& foundRows, const std::vector<double>& eventRows,
                       double toleranceRows)
{
    OnsetScore score;
    score.found = foundRows.size();
    score.events = eventRows.size();
    std::vector<double> offsets;
    size_t next = 0;
    for (double row : foundRows) {
        while (next < eventRows.size() && eventRows[next] < row - toleranceRows) {
            ++next;
        }
        if (next < eventRows.size() && eventRows[next] <= row + toleranceRows) {
            offsets.push_back(row - eventRows[next]);
            ++next;
        }
    }
    score.matched = offsets.size();
    score.recall = score.events > 0 ? static_cast<double>(score.matched) / static_cast<double>(score.events) : 0.0;
    score.precision = score.found > 0 ? static_cast<double>(score.matched) / static_cast<double>(score.found) : 0.0;
    if (!offsets.empty()) {
        std::nth_element(offsets.begin(), offsets.begin() + static_cast<std::ptrdiff_t>(offsets.size() / 2), offsets.end());
        score.medianOffsetRows = offsets[offsets.size() / 2];
    }
    return score;
}

std::vector<double> percussionRows(const MusicEvents& events)
{
    std::vector<double> rows;
    for (const MusicEvent& event : events.all()) {
        const bool drum = std::any_of(std::begin(kPercussionLanes), std::end(kPercussionLanes),
                                      [&](const char* lane) { return event.lane == lane; });
        if (drum && (rows.empty() || std::fabs(event.row - rows.back()) > kSameRow)) {
            rows.push_back(event.row);
        }
    }
    return rows;
}
