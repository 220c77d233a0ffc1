#include "edit/Sections.h"

#include "authoring/TrackText.h"


namespace {

// Rows computed from seconds may land a hair before a marker's first row.
constexpr double kRowSnap = 1e-6;

}

Section sectionAt(const std::vector<SourceMarker>& markers, double row, double lengthRows)
{
    Section section{"", 0.0, lengthRows};
    bool found = false;
    for (const SourceMarker& marker : markers) {
        double start = static_cast<double>(marker.bar * kRowsPerBar);
        if (start <= row + kRowSnap && (!found || start >= section.startRow)) {
            section.name = marker.name;
            section.startRow = start;
            found = true;
        }
    }
    for (const SourceMarker& marker : markers) {
        double start = static_cast<double>(marker.bar * kRowsPerBar);
        if (start > section.startRow && start < section.endRow) {
            section.endRow = start;
        }
    }
    return section;
}
