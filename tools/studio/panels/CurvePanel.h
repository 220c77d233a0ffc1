#pragma once

#include "panels/MusicLanes.h"
#include "panels/PanelInput.h"

#include "timeline/TrackStore.h"

#include <imgui.h>

#include <cstdint>
#include <string>
#include <vector>

// The selected tracks' curves over a window around the playhead (4 bars either
// side at zoom 1): each curve sampled per pixel through the demo's own
// interpolation, so every segment shows its kind; keys as dots, the playhead as a
// line, values and bars labelled; the music's lanes below, on the same rows. A key is
// dragged in value and row (rows snap, beats with Shift, the music's nearest event of
// the chosen lanes with Ctrl), a double-click adds a key on a curve, a right-click on a
// key changes its kind or deletes it.
class CurvePanel {
public:
    void setMusicShown(bool on) { showMusic = on; }
    void draw(const PanelInput& input, PanelRequests& requests, const std::vector<std::string>& names);

    // The mapping between the panel's pixels and rows and values.
    struct View {
        ImVec2 origin;
        ImVec2 size;
        double firstRow = 0.0;
        double lastRow = 1.0;
        float low = 0.0f;
        float high = 1.0f;

        float x(double row) const { return origin.x + static_cast<float>((row - firstRow) / (lastRow - firstRow)) * size.x; }
        float y(float value) const { return origin.y + size.y - (value - low) / (high - low) * size.y; }
        double rowAt(float px) const { return firstRow + (px - origin.x) / size.x * (lastRow - firstRow); }
        float valueAt(float py) const { return low + (origin.y + size.y - py) / size.y * (high - low); }
    };

private:
    struct Grab {
        std::string track;
        int32_t row = 0;
        float value = 0.0f;
    };

    void edit(const PanelInput& input, PanelRequests& requests, const View& view,
              const std::vector<const Track*>& tracks);
    bool keyUnderMouse(const View& view, const std::vector<const Track*>& tracks, Grab& grab) const;
    void finishDrag(const PanelInput& input, PanelRequests& requests, const View& view);
    void addKeyOnCurve(const PanelInput& input, PanelRequests& requests, const View& view,
                       const std::vector<const Track*>& tracks);
    void drawKindMenu(PanelRequests& requests);

    MusicLanes music;
    // The music's lanes under the curves; a checkbox folds them away.
    bool showMusic = true;
    float zoom = 1.0f;
    bool dragging = false;
    Grab dragged;
    ImVec2 pressedAt;
    Grab menuKey;
};
