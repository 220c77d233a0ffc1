#pragma once

#include "app/Keys.h"
#include "music/LaneChoice.h"

#include "authoring/TimelineEdit.h"
#include "authoring/TimelineParser.h"
#include "timeline/TrackStore.h"

#include <string>
#include <vector>

class MusicEvents;
class Waveform;

// What the panels draw from, gathered by the studio before each overlay frame. The
// pointers are never null; the waveform is, until the music's analysis has finished.
struct PanelInput {
    // The playhead and the transport, in rows of the timeline.
    double row = 0.0;
    double seconds = 0.0;
    double lengthRows = 0.0;
    double rowsPerSecond = 1.0;
    bool paused = true;
    bool looping = false;
    double loopStart = 0.0;
    double loopEnd = 0.0;

    // The tracks as the sync device reads them, and the timeline text as parsed.
    TrackStore* store = nullptr;
    const std::vector<SourceTrack>* sourceTracks = nullptr;
    const std::vector<SourceMarker>* markers = nullptr;

    const std::vector<std::string>* timelineErrors = nullptr;
    const std::vector<std::string>* loggedErrors = nullptr;
    int editSteps = 0;
    const std::string* historyNote = nullptr;
    double frameMs = 0.0;
    double overlayMs = 0.0;

    const MusicEvents* events = nullptr;
    const Waveform* waveform = nullptr;
    // The lanes of the music that the dope sheet marks and the jumps and snaps use;
    // the dope sheet's checkboxes change it.
    LaneChoice* lanes = nullptr;
};

// What the panels ask of the studio.
class PanelRequests {
public:
    virtual ~PanelRequests() = default;
    // A key as if typed at the picture: the transport's buttons.
    virtual void press(const KeyPress& key) = 0;
    virtual void seek(double row) = 0;
    // One step of the edit history, logged as written or as refused.
    virtual void edit(const std::vector<TimelineEdit>& step) = 0;
    virtual void note(const std::string& message) = 0;
    virtual void refuse(const std::string& message) = 0;
    virtual void clearErrors() = 0;
};
