#pragma once

#include "timeline/TrackStore.h"

#include <string>
#include <vector>

// The selected tracks' curves over a window around the playhead (4 bars either
// side at zoom 1): each curve sampled per pixel through the demo's own
// interpolation, so every segment shows its kind; keys as dots, the playhead as a line.
class CurvePanel {
public:
    void draw(TrackStore* store, const std::vector<std::string>& names, double row);

private:
    float zoom = 1.0f;
};
