#include "authoring/TimelineDocument.h"

#include <algorithm>

namespace {

std::string describeError(const SourceError& error)
{
    return "line " + std::to_string(error.line) + ": " + error.message;
}

}

bool TimelineDocument::load(const std::string& newText)
{
    text = newText;
    history.clear();
    done = 0;
    written.clear();
    return parseText();
}

bool TimelineDocument::parseText()
{
    TimelineParser parser;
    bool valid = parser.parse(text);
    parsed.tracks = std::move(parser.tracks);
    parsed.markers = std::move(parser.markers);
    errors = std::move(parser.errors);
    return valid;
}

std::string TimelineDocument::firstError() const
{
    return errors.empty() ? "" : describeError(errors.front());
}

bool TimelineDocument::apply(const std::vector<TimelineEdit>& step, std::string& problem)
{
    if (!errors.empty()) {
        problem = "the text has errors: " + firstError();
        return false;
    }
    std::string before = text;
    written.clear();
    for (const TimelineEdit& edit : step) {
        if (!applyEdit(edit, problem)) {
            text = before;
            parseText();
            return false;
        }
    }
    if (text != before) {
        history.resize(done);
        history.push_back(difference(before, text));
        done = history.size();
    }
    return true;
}

bool TimelineDocument::applyEdit(const TimelineEdit& edit, std::string& problem)
{
    std::string line;
    const SourceTrack* track = findSourceTrack(parsed.tracks, edit.track);
    // A key moved onto a held row replaces the key there.
    if (edit.action == EditAction::Move && edit.newRow != edit.row && track != nullptr &&
        findKey(*track, edit.row) >= 0 && findKey(*track, edit.newRow) >= 0) {
        TimelineEdit removal = deleteKeyEdit(edit.track, edit.newRow);
        if (!applyTimelineEdit(removal, parsed, text, line, problem) || !parseText()) {
            problem = problem.empty() ? "the edit would break the text: " + firstError() : problem;
            return false;
        }
    }
    if (!applyTimelineEdit(edit, parsed, text, line, problem)) {
        return false;
    }
    if (!parseText()) {
        problem = "the edit would break the text: " + firstError();
        return false;
    }
    written.push_back(line);
    return true;
}

bool TimelineDocument::undo(std::string& problem)
{
    if (done == 0) {
        problem = "nothing to undo";
        return false;
    }
    const Change& change = history[--done];
    replace(change.offset, change.inserted.size(), change.removed);
    return true;
}

bool TimelineDocument::redo(std::string& problem)
{
    if (done == history.size()) {
        problem = "nothing to redo";
        return false;
    }
    const Change& change = history[done++];
    replace(change.offset, change.removed.size(), change.inserted);
    return true;
}

void TimelineDocument::replace(size_t offset, size_t length, const std::string& bytes)
{
    text.replace(offset, length, bytes);
    written.clear();
    parseText();
}

TimelineDocument::Change TimelineDocument::difference(const std::string& before, const std::string& after)
{
    size_t shorter = std::min(before.size(), after.size());
    size_t prefix = 0;
    while (prefix < shorter && before[prefix] == after[prefix]) {
        ++prefix;
    }
    size_t suffix = 0;
    while (suffix < shorter - prefix && before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix]) {
        ++suffix;
    }
    return Change{prefix, before.substr(prefix, before.size() - prefix - suffix),
                  after.substr(prefix, after.size() - prefix - suffix)};
}

std::string TimelineDocument::keyLine(const std::string& trackName, int32_t row) const
{
    const SourceTrack* track = findSourceTrack(parsed.tracks, trackName);
    int index = track == nullptr ? -1 : findKey(*track, row);
    if (index < 0) {
        return "";
    }
    int line = track->sources[static_cast<size_t>(index)].line;
    size_t start = 0;
    for (int number = 1; number < line; ++number) {
        start = text.find('\n', start) + 1;
    }
    size_t end = text.find('\n', start);
    return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

bool TimelineDocument::sameKeys(const TimelineDocument& other, const std::vector<TimelineEdit>& step) const
{
    for (const TimelineEdit& edit : step) {
        if (keyLine(edit.track, edit.row) != other.keyLine(edit.track, edit.row)) {
            return false;
        }
        if (edit.action == EditAction::Move && keyLine(edit.track, edit.newRow) != other.keyLine(edit.track, edit.newRow)) {
            return false;
        }
    }
    return true;
}
