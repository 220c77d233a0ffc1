#include "timeline/TrackStore.h"

TrackStore* createTrackStore(const char*) { return new TrackStore(); }
void destroyTrackStore(TrackStore* store) { delete store; }
int32_t findTrack(const TrackStore*, const char*) { return -1; }
Track* getTrack(TrackStore*, const char*) { return nullptr; }
int loadTrackFile(TrackStore*, Track*) { return -1; }
