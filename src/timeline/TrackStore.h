#pragma once

#include "timeline/Track.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

// Named tracks, each loaded lazily from basePath + "_" + name + ".track".
struct TrackStore {
    char* basePath = nullptr;
    Track** tracks = nullptr;
    int32_t trackCount = 0;
    FILE* (*openFile)(const char* path, const char* mode) = nullptr;
    size_t (*readFile)(void* buffer, size_t size, size_t count, FILE* file) = nullptr;
    int (*closeFile)(FILE* file) = nullptr;
};

TrackStore* createTrackStore(const char* basePath);
void destroyTrackStore(TrackStore* store);
int32_t findTrack(const TrackStore* store, const char* name);
Track* getTrack(TrackStore* store, const char* name);
int loadTrackFile(TrackStore* store, Track* track);
