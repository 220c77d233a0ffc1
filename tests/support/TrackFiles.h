#pragma once

#include "timeline/Track.h"

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

// Writes dir + "_" + name + ".track" in the track file layout: a little-endian
// key count, then row, value and interpolation byte per key.
void writeTrackFile(const std::string& dir, const std::string& name, const std::vector<TrackKey>& keys);

// The bytes of a count or a row in a track file, and of one whole key; for
// damaged files that writeTrackFile cannot make.
std::string le32(int32_t value);
std::string keyBytes(int32_t row, float value, int interpolation);

// A single key at row 0: the track reads this value at every row.
void writeConstantTrack(const std::string& dir, const std::string& name, float value);

}
