#pragma once

#include "timeline/TimelineParser.h"
#include "timeline/TrackStore.h"

#include <string>
#include <vector>

// A track store that holds the compiled timeline in memory. Tracks the timeline
// does not name load from the track files under fileDirectory when first read,
// as they would in the demo. nullptr when memory runs out.
TrackStore* buildTrackStore(const std::vector<SourceTrack>& tracks, const char* fileDirectory);

// Writes each track as fileDirectory/_Name.track the way synctool does, each through
// a temporary file renamed into place, so a crash leaves the old file or the new one.
bool writeTrackFiles(const std::vector<SourceTrack>& tracks, const std::string& fileDirectory, std::string& error);
