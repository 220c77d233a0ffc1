#include "timeline/TrackNameIndex.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr int32_t kMinimumSlots = 64;
constexpr uint64_t kHashMultiplier = 0x9E3779B97F4A7C15ull;

// Names are read by the thousand every frame, so the hash takes eight bytes per step.
uint64_t hashName(const char* name)
{
    size_t length = std::strlen(name);
    uint64_t hash = length * kHashMultiplier;
    while (length > 0) {
        uint64_t word = 0;
        size_t take = length < sizeof word ? length : sizeof word;
        std::memcpy(&word, name, take);
        hash = (hash ^ word) * kHashMultiplier;
        hash ^= hash >> 29;
        name += take;
        length -= take;
    }
    return hash;
}

// Linear probing from the name's home slot; ends on the name's slot or the first empty one.
int32_t probe(const TrackStore* store, const char* name)
{
    uint32_t mask = static_cast<uint32_t>(store->nameSlotCount - 1);
    uint32_t slot = static_cast<uint32_t>(hashName(name) >> 32) & mask;
    while (true) {
        int32_t entry = store->nameSlots[slot];
        if (entry == 0 || std::strcmp(store->tracks[entry - 1]->name, name) == 0) {
            return static_cast<int32_t>(slot);
        }
        slot = (slot + 1) & mask;
    }
}

// Only the first track of a name is entered, so the index answers what a scan in
// creation order would.
void insert(TrackStore* store, int32_t trackIndex)
{
    int32_t slot = probe(store, store->tracks[trackIndex]->name);
    if (store->nameSlots[slot] == 0) {
        store->nameSlots[slot] = trackIndex + 1;
    }
}

void dropIndex(TrackStore* store)
{
    std::free(store->nameSlots);
    store->nameSlots = nullptr;
    store->nameSlotCount = 0;
    store->indexedCount = 0;
}

void rebuild(TrackStore* store)
{
    int32_t slotCount = kMinimumSlots;
    while (slotCount < store->trackCount * 2) {
        slotCount *= 2;
    }
    int32_t* slots = static_cast<int32_t*>(std::calloc(static_cast<size_t>(slotCount), sizeof(int32_t)));
    dropIndex(store);
    if (slots == nullptr) {
        return;
    }
    store->nameSlots = slots;
    store->nameSlotCount = slotCount;
    for (int32_t i = 0; i < store->trackCount; ++i) {
        insert(store, i);
    }
    store->indexedCount = store->trackCount;
}

}

void addToNameIndex(TrackStore* store, int32_t trackIndex)
{
    bool current = store->nameSlotCount > 0 && store->indexedCount == trackIndex;
    bool roomy = store->trackCount * 2 <= store->nameSlotCount;
    if (!current || !roomy) {
        rebuild(store);
        return;
    }
    insert(store, trackIndex);
    store->indexedCount = trackIndex + 1;
}

int32_t findInNameIndex(const TrackStore* store, const char* name)
{
    int32_t entry = store->nameSlots[probe(store, name)];
    return entry - 1;
}
