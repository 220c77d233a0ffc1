#pragma once

#include "timeline/TrackStore.h"

class Soundtrack;

// The row of the timeline at a music position: 16 rows per beat, in single precision.
float rowFromSeconds(float seconds, float bpm);

// Turns the music position into the current row and answers track values at it.
class SyncDevice {
public:
    bool init(Soundtrack* soundtrack);
    void update();
    float getFloat(const char* trackName);
    int getInt(const char* trackName);
    bool getBool(const char* trackName);
    void shutdown();

    TrackStore* store = nullptr;
    float row = 0.0f;
    Soundtrack* soundtrack = nullptr;
};
