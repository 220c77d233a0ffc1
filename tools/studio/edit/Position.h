#pragma once

#include "authoring/TimelineParser.h"

#include <string>
#include <vector>

// Rows of the timeline as the studio names them: a bar number, BAR:BEAT:ROW
// or @name, a marker of the timeline text.
bool parseStudioPosition(const std::string& text, const std::vector<SourceMarker>& markers, double& row,
                         std::string& error);

// Whether the text is written as a position, before any marker is known: a bar,
// BAR:BEAT:ROW, or @ and a name.
bool isPositionForm(const std::string& text);

// "12:3:08": bar, beat and row within the beat of a fractional row.
std::string formatClock(double row);
