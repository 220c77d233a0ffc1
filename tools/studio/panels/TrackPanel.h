#pragma once

#include "timeline/TrackStore.h"

#include <string>
#include <vector>

// Every track the scene reads, grouped by the prefix of its name, each with its
// value at the playhead; a filter box narrows the list, and a click selects a
// track for the curve view.
class TrackPanel {
public:
    void draw(TrackStore* store, double row);

    // The picture's brightness controls, until the author picks others.
    std::vector<std::string> selected = {"FX.Exposure", "FX.Fade"};
    // The tracks the filter lets through, in the list's order.
    std::vector<std::string> filtered;

private:
    void drawGroup(const char* group, const std::vector<const Track*>& tracks, double row);
    void toggle(const std::string& name);

    char filter[64] = "";
};
