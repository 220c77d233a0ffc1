#pragma once

#include "timeline/TimelineParser.h"
#include "timeline/Track.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The bytes of a track file: a little-endian key count, then per key the row, the value
// and one signed interpolation byte, with no padding.
constexpr size_t kTrackCountBytes = 4;
constexpr size_t kTrackKeyBytes = 9;

int32_t decodeTrackInt32(const unsigned char* bytes);
void encodeTrackInt32(int32_t value, unsigned char* bytes);
TrackKey decodeTrackKey(const unsigned char* bytes);
void encodeTrackKey(const TrackKey& key, unsigned char* bytes);

// Writes a whole track file through replaceFile, so a crash or a power cut never
// leaves a half-written track for the demo to read; problem says why it failed.
bool writeTrackFile(const std::string& path, const std::vector<TrackKey>& keys, std::string& problem);

// Writes each track as dir/_Name.track, creating dir when it is missing. Stops at the
// first file that cannot be written; every file is then still whole, old or new.
bool writeTrackFiles(const std::vector<SourceTrack>& tracks, const std::string& dir, std::string& problem);
