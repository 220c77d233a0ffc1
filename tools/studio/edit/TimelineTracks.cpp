#include "edit/TimelineTracks.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

FILE* openNothing(const char*, const char*)
{
    return nullptr;
}

bool fillTrack(TrackStore* store, const SourceTrack& source)
{
    Track* track = getTrack(store, source.name.c_str());
    if (track == nullptr) {
        return false;
    }
    size_t bytes = source.keys.size() * sizeof(TrackKey);
    if (bytes == 0) {
        return true;
    }
    track->keys = static_cast<TrackKey*>(std::malloc(bytes));
    if (track->keys == nullptr) {
        return false;
    }
    std::memcpy(track->keys, source.keys.data(), bytes);
    track->keyCount = static_cast<int32_t>(source.keys.size());
    return true;
}

}

TrackStore* buildTrackStore(const std::vector<SourceTrack>& tracks, const char* fileDirectory)
{
    TrackStore* store = createTrackStore(fileDirectory);
    if (store == nullptr) {
        return nullptr;
    }
    // The timeline's own tracks must not read their stale files while they are made.
    store->openFile = openNothing;
    for (const SourceTrack& track : tracks) {
        if (!fillTrack(store, track)) {
            destroyTrackStore(store);
            return nullptr;
        }
    }
    store->openFile = std::fopen;
    return store;
}
