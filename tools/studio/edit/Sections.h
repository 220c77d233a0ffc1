#pragma once

#include "authoring/TimelineParser.h"

#include <string>
#include <vector>

// A stretch of the piece between one marker of the timeline and the next later one.
struct Section {
    std::string name;
    double startRow = 0.0;
    double endRow = 0.0;
};

// The section that holds the row; markers sharing a bar give the one defined last.
// Before the first marker the section is nameless.
Section sectionAt(const std::vector<SourceMarker>& markers, double row, double lengthRows);
