#pragma once

#include "timeline/Track.h"

#include <string>
#include <vector>

namespace testing_support {

// Writes dir + "_" + name + ".track" in the track file layout: a little-endian
// key count, then row, value and interpolation byte per key.
void writeTrackFile(const std::string& dir, const std::string& name, const std::vector<TrackKey>& keys);

// A single key at row 0: the track reads this value at every row.
void writeConstantTrack(const std::string& dir, const std::string& name, float value);

}
