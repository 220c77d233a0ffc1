#pragma once

#include "timeline/Track.h"

#include <string>
#include <vector>

// A track file as it lies on disk, before the demo's loader repairs anything.
struct TrackFileBytes {
    bool hasCount = false;
    int32_t count = 0;
    // The complete keys the count announces (all complete keys for a negative count).
    std::vector<TrackKey> keys;
    size_t size = 0;
    size_t completeKeysInFile = 0;
};

bool readTrackFileBytes(const std::string& path, TrackFileBytes& file, std::string& problem);
TrackFileBytes decodeTrackFileBytes(const std::string& bytes);

// Every problem of the file, one line each: "key 3: ..." or a remark on the whole file.
std::vector<std::string> findTrackFileProblems(const TrackFileBytes& file);

