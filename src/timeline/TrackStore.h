#pragma once

#include "timeline/Track.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

// One entry of the name index: the name's hash and length, and its track index + 1
// (0 for an empty slot).
struct TrackNameSlot {
    uint32_t hash;
    uint32_t length;
    int32_t track;
};

// Named tracks, each loaded lazily from basePath + "_" + name + ".track".
// Names, key arrays and the track array are malloc'd; destroyTrackStore frees them.
struct TrackStore {
    char* basePath = nullptr;
    Track** tracks = nullptr;
    int32_t trackCount = 0;
    FILE* (*openFile)(const char* path, const char* mode) = nullptr;
    size_t (*readFile)(void* buffer, size_t size, size_t count, FILE* file) = nullptr;
    int (*closeFile)(FILE* file) = nullptr;

    // Hash index from name to track index, so a read by name costs no scan of every
    // name. Open addressing, only used while it covers every track (indexedCount ==
    // trackCount).
    TrackNameSlot* nameSlots = nullptr;
    int32_t nameSlotCount = 0;
    int32_t indexedCount = 0;
};

TrackStore* createTrackStore(const char* basePath);
void destroyTrackStore(TrackStore* store);
int32_t findTrack(const TrackStore* store, const char* name);
Track* getTrack(TrackStore* store, const char* name);
int loadTrackFile(TrackStore* store, Track* track);

// Fills the track with the keys of an open track file, read through the store's readFile.
// Loading and tools share it, so both see the same keys of a damaged file.
int readTrackKeys(TrackStore* store, FILE* file, Track* track);
