#pragma once

#include "timeline/TrackStore.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

// Enters tracks[trackIndex], the newest track, into the store's name index. Without memory
// for a larger index the index is dropped and findTrack scans the names instead.
void addToNameIndex(TrackStore* store, int32_t trackIndex);

// The lookup runs thousands of times a frame; it lives here so callers can inline it.
namespace track_name_index {

constexpr uint64_t kHashMultiplier = 0x9E3779B97F4A7C15ull;

struct NameKey {
    const char* name;
    uint32_t length;
    uint32_t hash;
};

inline uint64_t loadBytes(const char* bytes, size_t count)
{
    uint64_t word = 0;
    std::memcpy(&word, bytes, count);
    return word;
}

// The hash looks only at the length and the first and last eight bytes; names alike
// there merely share a probe sequence.
inline NameKey makeKey(const char* name)
{
    size_t length = std::strlen(name);
    uint64_t head = 0;
    uint64_t tail = 0;
    if (length >= 8) {
        head = loadBytes(name, 8);
        tail = loadBytes(name + length - 8, 8);
    } else if (length >= 4) {
        head = loadBytes(name, 4);
        tail = loadBytes(name + length - 4, 4);
    } else if (length > 0) {
        head = loadBytes(name, 1) | (loadBytes(name + length / 2, 1) << 8) |
               (loadBytes(name + length - 1, 1) << 16);
    }
    uint64_t hash = (head ^ (length * kHashMultiplier)) * kHashMultiplier;
    hash = (hash ^ (hash >> 29) ^ tail) * kHashMultiplier;
    return {name, static_cast<uint32_t>(length), static_cast<uint32_t>(hash >> 32)};
}

inline bool matches(const TrackStore* store, const TrackNameSlot& slot, const NameKey& key)
{
    return slot.hash == key.hash && slot.length == key.length &&
           std::memcmp(store->tracks[slot.track - 1]->name, key.name, key.length) == 0;
}

// Linear probing from the name's home slot; ends on the name's slot or the first empty one.
inline uint32_t probe(const TrackStore* store, const NameKey& key)
{
    uint32_t mask = static_cast<uint32_t>(store->nameSlotCount - 1);
    uint32_t slot = key.hash & mask;
    while (store->nameSlots[slot].track != 0 && !matches(store, store->nameSlots[slot], key)) {
        slot = (slot + 1) & mask;
    }
    return slot;
}

}

// The index of the first track created under this name, or -1. Only valid while the
// index covers every track of the store.
inline int32_t findInNameIndex(const TrackStore* store, const char* name)
{
    using namespace track_name_index;
    return store->nameSlots[probe(store, makeKey(name))].track - 1;
}
