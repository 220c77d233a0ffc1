#include "authoring/TimelineParser.h"
#include "timeline/TrackFileLayout.h"
#include "timeline/TrackStore.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

// Any bytes as a timeline text: the parser, then what synctool makes of a text that
// compiles, each track's file bytes read back through the demo's own loader.
namespace {

std::string fileBytes;

FILE* openFromMemory(const char*, const char* mode)
{
    return fmemopen(&fileBytes[0], fileBytes.size(), mode);
}

std::string encodeTrack(const SourceTrack& track)
{
    std::string bytes(kTrackCountBytes + track.keys.size() * kTrackKeyBytes, '\0');
    unsigned char* data = reinterpret_cast<unsigned char*>(&bytes[0]);
    encodeTrackInt32(static_cast<int32_t>(track.keys.size()), data);
    for (size_t i = 0; i < track.keys.size(); ++i) {
        encodeTrackKey(track.keys[i], data + kTrackCountBytes + i * kTrackKeyBytes);
    }
    return bytes;
}

bool sameKey(const TrackKey& a, const TrackKey& b)
{
    return a.row == b.row && std::memcmp(&a.value, &b.value, sizeof a.value) == 0 &&
           a.interpolation == b.interpolation;
}

// The demo must read back exactly the keys the text gave, in strictly ascending rows.
void checkTrack(const SourceTrack& source)
{
    for (size_t i = 1; i < source.keys.size(); ++i) {
        if (source.keys[i].row <= source.keys[i - 1].row) {
            __builtin_trap();
        }
    }
    fileBytes = encodeTrack(source);
    TrackStore* store = createTrackStore("fuzz/");
    store->openFile = openFromMemory;
    Track* track = getTrack(store, "Fuzz.Track");
    if (track == nullptr || track->keyCount != static_cast<int32_t>(source.keys.size())) {
        __builtin_trap();
    }
    for (int32_t i = 0; i < track->keyCount; ++i) {
        if (!sameKey(track->keys[i], source.keys[static_cast<size_t>(i)])) {
            __builtin_trap();
        }
    }
    destroyTrackStore(store);
}

}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TimelineParser parser;
    bool compiled = parser.parse(std::string(reinterpret_cast<const char*>(data), size));
    if (compiled != parser.errors.empty()) {
        __builtin_trap();
    }
    if (compiled) {
        for (const SourceTrack& track : parser.tracks) {
            checkTrack(track);
        }
    }
    return 0;
}
