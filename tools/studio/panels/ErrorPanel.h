#pragma once

struct PanelInput;
class PanelRequests;

// The timeline's errors as the text stands now, then every error of the run,
// newest first.
void drawErrorPanel(const PanelInput& input, PanelRequests& requests);
