#pragma once

#include "panels/PanelInput.h"

#include <imgui.h>

// The music under the curves, on their rows: the waveform of what plays, then a line
// per lane of the music's events with a tick where each falls, the chosen lanes
// brighter; the note and velocity of the event under the mouse show on hover.
class MusicLanes {
public:
    // The rows from firstRow to lastRow across width pixels from origin.
    void draw(const PanelInput& input, ImVec2 origin, float width, double firstRow, double lastRow);
    // The height draw takes, so that the curves can leave room for it.
    float height(const PanelInput& input) const;

private:
    void drawWaveform(const PanelInput& input, ImVec2 origin);
    void drawEvents(const PanelInput& input, ImVec2 origin);
    float x(double row) const;

    float left = 0.0f;
    float width = 1.0f;
    double firstRow = 0.0;
    double lastRow = 1.0;
};
