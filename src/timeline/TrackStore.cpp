#include "timeline/TrackStore.h"

#include "timeline/TrackFileLayout.h"
#include "timeline/TrackNameIndex.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

constexpr size_t kPathBufferSize = 260;
constexpr const char* kTrackPrefix = "_";
constexpr const char* kTrackSuffix = ".track";
constexpr size_t kKeysPerChunk = 512;

// Shared by every load, which makes loading non-reentrant; all loads run on the main thread.
char pathBuffer[kPathBufferSize];

char* copyString(const char* text)
{
    size_t size = std::strlen(text) + 1;
    char* copy = static_cast<char*>(std::malloc(size));
    if (copy != nullptr) {
        std::memcpy(copy, text, size);
    }
    return copy;
}

void freeTrack(Track* track)
{
    std::free(track->name);
    std::free(track->keys);
    delete track;
}

Track* createTrack(const char* name)
{
    Track* track = new (std::nothrow) Track();
    if (track == nullptr) {
        return nullptr;
    }
    track->name = copyString(name);
    if (track->name == nullptr) {
        delete track;
        return nullptr;
    }
    return track;
}

bool appendTrack(TrackStore* store, Track* track)
{
    size_t newCount = static_cast<size_t>(store->trackCount) + 1;
    void* grown = std::realloc(store->tracks, newCount * sizeof(Track*));
    if (grown == nullptr) {
        return false;
    }
    store->tracks = static_cast<Track**>(grown);
    store->tracks[store->trackCount] = track;
    store->trackCount += 1;
    addToNameIndex(store, store->trackCount - 1);
    return true;
}

int32_t findTrackByScan(const TrackStore* store, const char* name)
{
    for (int32_t i = 0; i < store->trackCount; ++i) {
        if (std::strcmp(store->tracks[i]->name, name) == 0) {
            return i;
        }
    }
    return -1;
}

}

TrackStore* createTrackStore(const char* basePath)
{
    TrackStore* store = new (std::nothrow) TrackStore();
    if (store == nullptr) {
        return nullptr;
    }
    store->basePath = copyString(basePath);
    if (store->basePath == nullptr) {
        delete store;
        return nullptr;
    }
    store->openFile = std::fopen;
    store->readFile = std::fread;
    store->closeFile = std::fclose;
    return store;
}

void destroyTrackStore(TrackStore* store)
{
    if (store == nullptr) {
        return;
    }
    std::free(store->basePath);
    for (int32_t i = 0; i < store->trackCount; ++i) {
        freeTrack(store->tracks[i]);
    }
    std::free(store->tracks);
    std::free(store->nameSlots);
    delete store;
}

int32_t findTrack(const TrackStore* store, const char* name)
{
    if (store->indexedCount == store->trackCount && store->nameSlotCount > 0) {
        return findInNameIndex(store, name);
    }
    return findTrackByScan(store, name);
}

Track* getTrack(TrackStore* store, const char* name)
{
    if (store == nullptr || name == nullptr) {
        return nullptr;
    }
    int32_t index = findTrack(store, name);
    if (index >= 0) {
        return store->tracks[index];
    }
    Track* track = createTrack(name);
    if (track == nullptr) {
        return nullptr;
    }
    if (!appendTrack(store, track)) {
        freeTrack(track);
        return nullptr;
    }
    // A missing or unreadable file leaves the track without keys: it reads 0 everywhere.
    loadTrackFile(store, track);
    return track;
}

namespace {

// A path that does not fit is treated as missing: a truncated name could open another
// track's file.
bool composeTrackPath(const char* basePath, const char* name, char* path)
{
    size_t baseLength = std::strlen(basePath);
    size_t prefixLength = std::strlen(kTrackPrefix);
    size_t nameLength = std::strlen(name);
    size_t suffixLength = std::strlen(kTrackSuffix);
    if (baseLength + prefixLength + nameLength + suffixLength >= kPathBufferSize) {
        return false;
    }
    char* end = path;
    std::memcpy(end, basePath, baseLength);
    end += baseLength;
    std::memcpy(end, kTrackPrefix, prefixLength);
    end += prefixLength;
    std::memcpy(end, name, nameLength);
    end += nameLength;
    std::memcpy(end, kTrackSuffix, suffixLength + 1);
    return true;
}

// Reads up to size bytes, stopping at the end of the file; returns how many arrived.
size_t readBytes(TrackStore* store, FILE* file, unsigned char* buffer, size_t size)
{
    size_t filled = 0;
    while (filled < size) {
        size_t got = store->readFile(buffer + filled, 1, size - filled, file);
        if (got == 0) {
            break;
        }
        filled += got < size - filled ? got : size - filled;
    }
    return filled;
}

// Keys grow with what the file really holds, never with what its count claims.
struct KeyList {
    TrackKey* keys = nullptr;
    int32_t count = 0;
    int32_t capacity = 0;
};

bool appendAscendingKey(KeyList& list, const TrackKey& key, int32_t limit)
{
    // The search and the interpolation need strictly ascending rows; a key on or before
    // the previous kept row is dropped so no span is empty or negative.
    if (list.count > 0 && key.row <= list.keys[list.count - 1].row) {
        return true;
    }
    if (list.count == list.capacity) {
        int64_t grown = list.capacity == 0 ? 16 : static_cast<int64_t>(list.capacity) * 2;
        int32_t capacity = static_cast<int32_t>(grown < limit ? grown : limit);
        void* keys = std::realloc(list.keys, static_cast<size_t>(capacity) * sizeof(TrackKey));
        if (keys == nullptr) {
            return false;
        }
        list.keys = static_cast<TrackKey*>(keys);
        list.capacity = capacity;
    }
    list.keys[list.count++] = key;
    return true;
}

// A negative count, or one larger than the file, keeps exactly the complete keys present;
// a truncated last key is dropped.
bool readKeyList(TrackStore* store, FILE* file, int32_t fileCount, KeyList& list)
{
    int32_t limit = fileCount >= 0 ? fileCount : INT32_MAX;
    unsigned char chunk[kKeysPerChunk * kTrackKeyBytes];
    int32_t keysRead = 0;
    while (keysRead < limit) {
        size_t wanted = std::min(static_cast<size_t>(limit - keysRead), kKeysPerChunk);
        size_t complete = readBytes(store, file, chunk, wanted * kTrackKeyBytes) / kTrackKeyBytes;
        for (size_t i = 0; i < complete; ++i) {
            if (!appendAscendingKey(list, decodeTrackKey(chunk + i * kTrackKeyBytes), limit)) {
                return false;
            }
        }
        keysRead += static_cast<int32_t>(complete);
        if (complete < wanted) {
            break;
        }
    }
    return true;
}

}

int readTrackKeys(TrackStore* store, FILE* file, Track* track)
{
    std::free(track->keys);
    track->keys = nullptr;
    track->keyCount = 0;
    unsigned char countBytes[kTrackCountBytes];
    if (readBytes(store, file, countBytes, kTrackCountBytes) < kTrackCountBytes) {
        return 0;
    }
    KeyList list;
    if (!readKeyList(store, file, decodeTrackInt32(countBytes), list)) {
        std::free(list.keys);
        return -1;
    }
    if (list.count > 0 && list.count < list.capacity) {
        void* fitted = std::realloc(list.keys, static_cast<size_t>(list.count) * sizeof(TrackKey));
        list.keys = fitted != nullptr ? static_cast<TrackKey*>(fitted) : list.keys;
    }
    track->keys = list.keys;
    track->keyCount = list.count;
    return 0;
}

int loadTrackFile(TrackStore* store, Track* track)
{
    if (!composeTrackPath(store->basePath, track->name, pathBuffer)) {
        return -1;
    }
    FILE* file = store->openFile(pathBuffer, "rb");
    if (file == nullptr) {
        return -1;
    }
    int result = readTrackKeys(store, file, track);
    store->closeFile(file);
    return result;
}
