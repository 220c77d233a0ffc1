#include "timeline/TrackNameIndex.h"

#include <cstdlib>

namespace {

using namespace track_name_index;

constexpr int32_t kMinimumSlots = 64;

// Only the first track of a name is entered, so the index answers what a scan in
// creation order would.
void insert(TrackStore* store, int32_t trackIndex)
{
    NameKey key = makeKey(store->tracks[trackIndex]->name);
    TrackNameSlot& slot = store->nameSlots[probe(store, key)];
    if (slot.track == 0) {
        slot = {key.hash, key.length, trackIndex + 1};
    }
}

void dropIndex(TrackStore* store)
{
    std::free(store->nameSlots);
    store->nameSlots = nullptr;
    store->nameSlotCount = 0;
    store->indexedCount = 0;
}

// Kept at most half full, so probe sequences stay short.
void rebuild(TrackStore* store)
{
    int32_t slotCount = kMinimumSlots;
    while (slotCount < store->trackCount * 2) {
        slotCount *= 2;
    }
    void* slots = std::calloc(static_cast<size_t>(slotCount), sizeof(TrackNameSlot));
    dropIndex(store);
    if (slots == nullptr) {
        return;
    }
    store->nameSlots = static_cast<TrackNameSlot*>(slots);
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
