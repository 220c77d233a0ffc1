#pragma once

#include "app/FileStamp.h"
#include "app/StudioLog.h"

#include "authoring/TimelineParser.h"
#include "timeline/SyncDevice.h"

#include <cstdint>
#include <string>
#include <vector>

// Keeps the sync device's tracks in step with the timeline text: every save is
// compiled in memory and, when it compiles, swapped in whole; when it does not,
// the tracks stay as they were and the errors are shown until the text is fixed.
class TimelineReloader {
public:
    // False only when the text cannot be read at all.
    bool load(const std::string& path, SyncDevice& sync, StudioLog& log);
    // Looks at the file every 200 ms; compiles it after a save.
    void poll(SyncDevice& sync, StudioLog& log);
    bool compile(SyncDevice& sync, StudioLog& log);
    // Compiles text read from the file now (a save from outside found by an edit).
    bool compileText(const std::string& text, SyncDevice& sync, StudioLog& log);
    // The studio's own write of the text: compiled and swapped in quietly, and not
    // taken for a save from outside by the next poll.
    bool wrote(const std::string& text, SyncDevice& sync, StudioLog& log);
    // The compiled tracks as track files, where the demo reads them.
    bool save(StudioLog& log);

    std::vector<SourceTrack> tracks;
    std::vector<SourceMarker> markers;
    // Errors of the text as it is now; empty once it compiles.
    std::vector<std::string> errors;
    double lastCompileMs = 0.0;
    // The text as last read from the file or written to it, and a count of the reads,
    // so that the editor sees a save from outside.
    std::string text;
    int reads = 0;
    std::string displayName;

    const std::string& path() const { return watch.path; }

private:
    bool compileQuietly(const std::string& text, SyncDevice& sync);
    // Logs the errors; the previous tracks stay. Always false.
    bool reportErrors(StudioLog& log);

    FileWatch watch;
    uint64_t lastPollMs = 0;
};
