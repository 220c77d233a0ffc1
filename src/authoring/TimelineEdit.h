#pragma once

#include "authoring/TimelineParser.h"

#include <cstdint>
#include <string>
#include <vector>

enum class EditAction { Set, Delete, Move, Kind };

// One change to one key of the timeline text. Set inserts a key at row, or replaces
// the value and/or the kind of the key there; Move takes the key on row to newRow,
// replacing a key that stands there.
struct TimelineEdit {
    EditAction action = EditAction::Set;
    std::string track;
    int32_t row = 0;
    int32_t newRow = 0;
    float value = 0.0f;
    bool hasValue = false;
    int32_t interpolation = 0;
    bool hasInterpolation = false;
};

// The edits as the tools make them. A set without a kind keeps the kind of the key it
// replaces, or takes the kind of the key before it.
TimelineEdit setKeyEdit(const std::string& track, int32_t row, float value);
TimelineEdit setKeyEdit(const std::string& track, int32_t row, float value, int32_t interpolation);
TimelineEdit moveKeyEdit(const std::string& track, int32_t row, int32_t newRow);
TimelineEdit deleteKeyEdit(const std::string& track, int32_t row);
TimelineEdit kindEdit(const std::string& track, int32_t row, int32_t interpolation);

// The parsed text an edit applies to.
struct ParsedTimeline {
    std::vector<SourceTrack> tracks;
    std::vector<SourceMarker> markers;
};

// Applies one edit to text, which must be the text parsed into parsed; the lines the
// edit does not concern stay byte for byte. written says what was written ("line 35:
// @main:0:0  0.5  step", "line 35 removed"); false with the reason in problem when the
// edit does not apply (no such key). A move onto a held row must first delete that key.
bool applyTimelineEdit(const TimelineEdit& edit, const ParsedTimeline& parsed, std::string& text,
                       std::string& written, std::string& problem);

// The key of track on row: its index, or -1.
int findKey(const SourceTrack& track, int32_t row);
const SourceTrack* findSourceTrack(const std::vector<SourceTrack>& tracks, const std::string& name);
