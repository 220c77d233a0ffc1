#pragma once

#include "timeline/TrackStore.h"

#include <cstdint>

// Enters tracks[trackIndex], the newest track, into the store's name index. Without memory
// for a larger index the index is dropped and findTrack scans the names instead.
void addToNameIndex(TrackStore* store, int32_t trackIndex);

// The index of the first track created under this name, or -1. Only valid while the
// index covers every track of the store.
int32_t findInNameIndex(const TrackStore* store, const char* name);
