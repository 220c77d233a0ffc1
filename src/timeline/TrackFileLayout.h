#pragma once

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

// Writes a whole track file: to a temporary name first, then renamed over the old
// one, so a crash never leaves a half-written track for the demo to read.
bool writeTrackFile(const std::string& path, const std::vector<TrackKey>& keys);
