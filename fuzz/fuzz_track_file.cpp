#include "timeline/TrackStore.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>

// Any bytes as a track file, fed through the store's own file functions.
namespace {

const uint8_t* fileData = nullptr;
size_t fileSize = 0;

FILE* openFromMemory(const char*, const char* mode)
{
    if (fileSize == 0) {
        return std::tmpfile();
    }
    return fmemopen(const_cast<uint8_t*>(fileData), fileSize, mode);
}

}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fileData = data;
    fileSize = size;
    TrackStore* store = createTrackStore("fuzz/");
    store->openFile = openFromMemory;
    Track* track = getTrack(store, "Fuzz.Track");
    if (track != nullptr) {
        for (double row = -2.0; row < 80.0; row += 0.75) {
            (void)trackValue(track, row);
        }
        for (int32_t i = 1; i < track->keyCount; ++i) {
            if (track->keys[i].row <= track->keys[i - 1].row) {
                __builtin_trap();
            }
        }
    }
    destroyTrackStore(store);
    return 0;
}
