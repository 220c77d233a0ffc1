#pragma once

#include "authoring/TimelineParser.h"
#include "timeline/Track.h"

#include <string>
#include <vector>

// Writes a whole track file through replaceFile, so a crash or a power cut never
// leaves a half-written track for the demo to read; problem says why it failed.
bool writeTrackFile(const std::string& path, const std::vector<TrackKey>& keys, std::string& problem);

// Writes each track as dir/_Name.track, creating dir when it is missing. Stops at the
// first file that cannot be written; every file is then still whole, old or new.
bool writeTrackFiles(const std::vector<SourceTrack>& tracks, const std::string& dir, std::string& problem);
