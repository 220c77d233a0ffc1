#include "authoring/TimelineEdit.h"

#include "authoring/KeyLineText.h"
#include "authoring/TrackText.h"

#include <algorithm>
#include <climits>

namespace {

constexpr const char* kDefaultIndent = "    ";
// Where a timeline without a single key puts the value and the kind of its first key.
constexpr size_t kDefaultValueColumn = 24;
constexpr size_t kDefaultKindColumn = 34;
constexpr int32_t kDefaultInterpolation = 1;  // linear

// One line of the text: its content without the line end, and where the next one starts.
struct LineSpan {
    size_t start = 0;
    size_t end = 0;
    size_t next = 0;
    std::string ending;
};

LineSpan findLine(const std::string& text, int line)
{
    LineSpan span;
    for (int number = 1; number < line && span.start < text.size(); ++number) {
        size_t newline = text.find('\n', span.start);
        span.start = newline == std::string::npos ? text.size() : newline + 1;
    }
    size_t newline = text.find('\n', span.start);
    span.end = newline == std::string::npos ? text.size() : newline;
    span.next = newline == std::string::npos ? text.size() : newline + 1;
    span.ending = newline == std::string::npos ? "" : "\n";
    if (span.end > span.start && text[span.end - 1] == '\r') {
        --span.end;
        span.ending = "\r" + span.ending;
    }
    return span;
}

std::string lineText(const std::string& text, const LineSpan& span)
{
    return text.substr(span.start, span.end - span.start);
}

std::string describeWritten(int line, const std::string& content)
{
    size_t start = content.find_first_not_of(" \t");
    return "line " + std::to_string(line) + ": " + (start == std::string::npos ? "" : content.substr(start));
}

// Inserts content as a line of its own after (or before) the given line.
int insertLine(std::string& text, int line, bool after, const std::string& content, const std::string& ending)
{
    LineSpan span = findLine(text, line);
    // The last line of a text may end in "\r" alone, or in nothing.
    std::string eol = ending.find('\r') != std::string::npos ? "\r\n" : "\n";
    if (!after) {
        text.insert(span.start, content + eol);
        return line;
    }
    if (span.ending.empty() || span.ending.back() != '\n') {
        text.insert(span.next, "\n" + content + span.ending);
    } else {
        text.insert(span.next, content + span.ending);
    }
    return line + 1;
}

void removeLine(std::string& text, int line)
{
    LineSpan span = findLine(text, line);
    text.erase(span.start, span.next - span.start);
}

// A key any track of the text holds, as the template for the first key of a track.
bool anyKey(const ParsedTimeline& parsed, KeySource& source)
{
    for (const SourceTrack& track : parsed.tracks) {
        if (!track.sources.empty()) {
            source = track.sources.front();
            return true;
        }
    }
    return false;
}

std::string layoutFirstKey(const ParsedTimeline& parsed, const std::string& text, int32_t row, int limit,
                           const std::string& value, const std::string& kind)
{
    KeySource source;
    if (anyKey(parsed, source)) {
        std::string words[3] = {writePosition(row, source, parsed.markers, limit, false), value, kind};
        return layoutKeyLine(lineText(text, findLine(text, source.line)), source, words);
    }
    source.form = PositionForm::Musical;
    source.positionColumn = std::string(kDefaultIndent).size();
    source.valueColumn = kDefaultValueColumn;
    source.kindColumn = kDefaultKindColumn;
    std::string words[3] = {row < 0 ? std::to_string(row) : formatPosition(row), value, kind};
    return layoutKeyLine(kDefaultIndent, source, words);
}

// The first key of a track: after its header, or in a section of its own at the end of
// the text for a track the text does not name.
bool insertFirstKey(const TimelineEdit& edit, const ParsedTimeline& parsed, const SourceTrack* track,
                    std::string& text, std::string& written)
{
    int32_t kind = edit.hasInterpolation ? edit.interpolation : kDefaultInterpolation;
    int limit = track == nullptr ? INT_MAX : track->line;
    std::string content = layoutFirstKey(parsed, text, edit.row, limit, formatValue(edit.value), interpolationName(kind));
    if (track != nullptr) {
        written = describeWritten(insertLine(text, track->line, true, content, findLine(text, track->line).ending), content);
        return true;
    }
    std::string head = text.empty() || text.back() == '\n' ? "" : "\n";
    text += head + (text.empty() ? "" : "\n") + "track " + edit.track + "\n" + content + "\n";
    written = describeWritten(static_cast<int>(std::count(text.begin(), text.end(), '\n')), content);
    return true;
}

// A new key in row order, laid out as the key before it, or as the key after it for a
// new first key.
bool insertKey(const TimelineEdit& edit, const ParsedTimeline& parsed, std::string& text, std::string& written)
{
    const SourceTrack* track = findSourceTrack(parsed.tracks, edit.track);
    if (track == nullptr || track->keys.empty()) {
        return insertFirstKey(edit, parsed, track, text, written);
    }
    size_t after = 0;
    while (after < track->keys.size() && track->keys[after].row < edit.row) {
        ++after;
    }
    const KeySource& source = track->sources[after > 0 ? after - 1 : 0];
    int32_t kind = edit.hasInterpolation ? edit.interpolation : after > 0 ? track->keys[after - 1].interpolation
                                                                          : kDefaultInterpolation;
    LineSpan span = findLine(text, source.line);
    std::string words[3] = {writePosition(edit.row, source, parsed.markers, track->sources.front().line, false),
                            formatValue(edit.value), interpolationName(kind)};
    std::string content = layoutKeyLine(lineText(text, span), source, words);
    written = describeWritten(insertLine(text, source.line, after > 0, content, span.ending), content);
    return true;
}

bool rewriteKey(const SourceTrack& track, int index, const std::string words[3], std::string& text,
                std::string& written)
{
    const KeySource& source = track.sources[static_cast<size_t>(index)];
    LineSpan span = findLine(text, source.line);
    std::string content = rewriteKeyLine(lineText(text, span), source, words);
    text.replace(span.start, span.end - span.start, content);
    written = describeWritten(source.line, content);
    return true;
}

// The moved key's line, rewritten, goes where its new row puts it among the others.
bool moveKey(const TimelineEdit& edit, const ParsedTimeline& parsed, const SourceTrack& track, int index,
             std::string& text, std::string& written)
{
    const KeySource& source = track.sources[static_cast<size_t>(index)];
    int limit = std::min(source.line, track.sources.front().line);
    std::string words[3] = {writePosition(edit.newRow, source, parsed.markers, limit, true), "", ""};
    LineSpan span = findLine(text, source.line);
    std::string content = rewriteKeyLine(lineText(text, span), source, words);
    int before = -1;
    int after = -1;
    for (size_t i = 0; i < track.keys.size(); ++i) {
        if (static_cast<int>(i) == index) {
            continue;
        }
        if (track.keys[i].row < edit.newRow) {
            before = static_cast<int>(i);
        } else if (after < 0) {
            after = static_cast<int>(i);
        }
    }
    bool staysInPlace = (before < 0 || before < index) && (after < 0 || after > index);
    if (staysInPlace) {
        text.replace(span.start, span.end - span.start, content);
        written = describeWritten(source.line, content);
        return true;
    }
    removeLine(text, source.line);
    int anchor = before >= 0 ? track.sources[static_cast<size_t>(before)].line
                             : track.sources[static_cast<size_t>(after)].line;
    if (anchor > source.line) {
        --anchor;
    }
    written = describeWritten(insertLine(text, anchor, before >= 0, content, span.ending), content);
    return true;
}

}

TimelineEdit setKeyEdit(const std::string& track, int32_t row, float value)
{
    return TimelineEdit{EditAction::Set, track, row, 0, value, true, 0, false};
}

TimelineEdit setKeyEdit(const std::string& track, int32_t row, float value, int32_t interpolation)
{
    return TimelineEdit{EditAction::Set, track, row, 0, value, true, interpolation, true};
}

TimelineEdit moveKeyEdit(const std::string& track, int32_t row, int32_t newRow)
{
    return TimelineEdit{EditAction::Move, track, row, newRow, 0.0f, false, 0, false};
}

TimelineEdit deleteKeyEdit(const std::string& track, int32_t row)
{
    return TimelineEdit{EditAction::Delete, track, row, 0, 0.0f, false, 0, false};
}

TimelineEdit kindEdit(const std::string& track, int32_t row, int32_t interpolation)
{
    return TimelineEdit{EditAction::Kind, track, row, 0, 0.0f, false, interpolation, true};
}

int findKey(const SourceTrack& track, int32_t row)
{
    for (size_t i = 0; i < track.keys.size(); ++i) {
        if (track.keys[i].row == row) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

const SourceTrack* findSourceTrack(const std::vector<SourceTrack>& tracks, const std::string& name)
{
    for (const SourceTrack& track : tracks) {
        if (track.name == name) {
            return &track;
        }
    }
    return nullptr;
}

bool applyTimelineEdit(const TimelineEdit& edit, const ParsedTimeline& parsed, std::string& text,
                       std::string& written, std::string& problem)
{
    const SourceTrack* track = findSourceTrack(parsed.tracks, edit.track);
    int index = track == nullptr ? -1 : findKey(*track, edit.row);
    if (edit.action == EditAction::Set && index < 0) {
        if (!edit.hasValue) {
            problem = edit.track + " has no key at " + formatPosition(edit.row) + " to change";
            return false;
        }
        return insertKey(edit, parsed, text, written);
    }
    if (index < 0) {
        problem = edit.track + " has no key at " + formatPosition(edit.row);
        return false;
    }
    std::string words[3];
    switch (edit.action) {
    case EditAction::Set:
    case EditAction::Kind:
        words[1] = edit.hasValue && edit.action == EditAction::Set ? formatValue(edit.value) : "";
        words[2] = edit.hasInterpolation ? interpolationName(edit.interpolation) : "";
        return rewriteKey(*track, index, words, text, written);
    case EditAction::Move:
        return moveKey(edit, parsed, *track, index, text, written);
    case EditAction::Delete:
        removeLine(text, track->sources[static_cast<size_t>(index)].line);
        written = "line " + std::to_string(track->sources[static_cast<size_t>(index)].line) + " removed";
        return true;
    }
    return false;
}
