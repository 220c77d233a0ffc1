#pragma once

#include "authoring/TimelineParser.h"
#include "timeline/TrackStore.h"

#include <string>
#include <vector>

// A track store that holds the compiled timeline in memory. Tracks the timeline
// does not name load from the track files under fileDirectory when first read,
// as they would in the demo. nullptr when memory runs out.
TrackStore* buildTrackStore(const std::vector<SourceTrack>& tracks, const char* fileDirectory);
