#pragma once

#include "timeline/Track.h"

#include <cstddef>
#include <cstdint>

// The bytes of a track file: a little-endian key count, then per key the row, the value
// and one signed interpolation byte, with no padding.
constexpr size_t kTrackCountBytes = 4;
constexpr size_t kTrackKeyBytes = 9;

int32_t decodeTrackInt32(const unsigned char* bytes);
void encodeTrackInt32(int32_t value, unsigned char* bytes);
TrackKey decodeTrackKey(const unsigned char* bytes);
void encodeTrackKey(const TrackKey& key, unsigned char* bytes);
