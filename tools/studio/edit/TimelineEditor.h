#pragma once

#include "app/StudioLog.h"
#include "app/TimelineReloader.h"

#include "authoring/TimelineDocument.h"
#include "timeline/SyncDevice.h"

#include <string>
#include <vector>

// The studio's edits of the timeline text: every step is written back to the file at
// once and swapped in as a save would be. The file is looked at before each write: a
// save from outside is read first, with a new history, and a step whose keys it changed
// is refused. While the text on disk has errors nothing is edited.
class TimelineEditor {
public:
    void init(TimelineReloader* timeline, SyncDevice* sync, StudioLog* log);
    // Each returns what it wrote ("wrote line 35: ...") or why it refused, in message.
    bool apply(const std::vector<TimelineEdit>& step, std::string& message);
    bool undo(std::string& message);
    bool redo(std::string& message);
    // Takes a save from outside that the reloader compiled as the start of a new history.
    void follow();

    TimelineDocument document;
    // Said in the overlay once a save from outside has started a new history.
    std::string historyNote;
    // The last step's times: from the step to its text in memory (the file read and
    // compared, the edit applied and parsed), its write (temporary file, fsyncs, rename),
    // and the compile and swap of the tracks.
    double lastTextMs = 0.0;
    double lastWriteMs = 0.0;
    double lastSwapMs = 0.0;
    int steps = 0;

private:
    enum class Change { Apply, Undo, Redo };

    bool commit(Change change, const std::vector<TimelineEdit>& step, std::string& message);
    bool readFile(const std::vector<TimelineEdit>& step, std::string& message);
    bool write(const TimelineDocument& next, std::string& message);

    TimelineReloader* timeline = nullptr;
    SyncDevice* sync = nullptr;
    StudioLog* log = nullptr;
    int seenReads = -1;
};
