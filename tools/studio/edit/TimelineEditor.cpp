#include "edit/TimelineEditor.h"

#include "authoring/FileAccess.h"

#include <sys/stat.h>

#include <chrono>

namespace {

constexpr const char* kNewHistory = "saved elsewhere: the history starts again";

double millisecondsBetween(std::chrono::steady_clock::time_point start, std::chrono::steady_clock::time_point end)
{
    return std::chrono::duration<double, std::milli>(end - start).count();
}

std::string joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines) {
        text += (text.empty() ? "" : "; ") + line;
    }
    return text;
}

}

void TimelineEditor::init(TimelineReloader* reloader, SyncDevice* device, StudioLog* studioLog)
{
    timeline = reloader;
    sync = device;
    log = studioLog;
    follow();
    historyNote.clear();
}

void TimelineEditor::follow()
{
    if (timeline->reads == seenReads) {
        return;
    }
    seenReads = timeline->reads;
    if (timeline->text != document.text) {
        document.load(timeline->text);
        historyNote = kNewHistory;
    }
}

bool TimelineEditor::apply(const std::vector<TimelineEdit>& step, std::string& message)
{
    return commit(Change::Apply, step, message);
}

bool TimelineEditor::undo(std::string& message)
{
    return commit(Change::Undo, {}, message);
}

bool TimelineEditor::redo(std::string& message)
{
    return commit(Change::Redo, {}, message);
}

bool TimelineEditor::commit(Change change, const std::vector<TimelineEdit>& step, std::string& message)
{
    auto start = std::chrono::steady_clock::now();
    follow();
    if (!readFile(step, message)) {
        return false;
    }
    if (!document.errors.empty()) {
        message = "refused: " + timeline->displayName + " has errors; the first: " +
                  (timeline->errors.empty() ? document.firstError() : timeline->errors.front());
        return false;
    }
    TimelineDocument next = document;
    std::string problem;
    bool changed = change == Change::Apply ? next.apply(step, problem)
                   : change == Change::Undo ? next.undo(problem) : next.redo(problem);
    if (!changed) {
        message = "refused: " + problem;
        return false;
    }
    if (next.text == document.text) {
        message = "nothing to write: the text stays as it is";
        return true;
    }
    auto written = std::chrono::steady_clock::now();
    lastTextMs = millisecondsBetween(start, written);
    if (!write(next, message)) {
        return false;
    }
    auto swapStart = std::chrono::steady_clock::now();
    lastWriteMs = millisecondsBetween(written, swapStart);
    if (change != Change::Apply) {
        message = std::string(change == Change::Undo ? "undone" : "redone") + ", " + message;
    }
    ++steps;
    document = std::move(next);
    timeline->wrote(document.text, *sync, *log);
    seenReads = timeline->reads;
    lastSwapMs = millisecondsBetween(swapStart, std::chrono::steady_clock::now());
    return true;
}

// The file as it is now: a save from outside is compiled and starts a new history, and
// a step is refused when the save changed a key it acts on.
bool TimelineEditor::readFile(const std::vector<TimelineEdit>& step, std::string& message)
{
    std::string onDisk;
    std::string problem;
    if (!readTimelineText(timeline->path(), onDisk, problem)) {
        message = "refused: cannot read " + timeline->path() + ": " + problem;
        return false;
    }
    if (onDisk == document.text) {
        return true;
    }
    TimelineDocument previous = document;
    timeline->compileText(onDisk, *sync, *log);
    follow();
    historyNote = kNewHistory;
    if (document.errors.empty() && !document.sameKeys(previous, step)) {
        message = "refused: " + timeline->displayName + " was saved elsewhere and the save changed these keys; read it again";
        return false;
    }
    return true;
}

bool TimelineEditor::write(const TimelineDocument& next, std::string& message)
{
    // The rename would replace a file the author made read-only; its mode says to leave it.
    struct stat info;
    if (stat(timeline->path().c_str(), &info) == 0 && (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        message = "refused: " + timeline->path() + " is read-only";
        return false;
    }
    std::string problem;
    if (!replaceFile(timeline->path(), next.text, problem)) {
        message = "refused: cannot write " + timeline->path() + ": " + problem;
        return false;
    }
    message = next.written.empty() ? "wrote " + timeline->displayName : "wrote " + joined(next.written);
    return true;
}
