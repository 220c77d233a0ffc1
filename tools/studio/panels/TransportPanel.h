#pragma once

struct PanelInput;
class PanelRequests;

// The position (BAR:BEAT:ROW and seconds), the section, frame time and fps, the
// transport buttons, and a strip over the whole piece with the section markers,
// the loop and the playhead; a click or drag on the strip seeks.
void drawTransportPanel(const PanelInput& input, PanelRequests& requests);
