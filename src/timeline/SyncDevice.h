#pragma once

#include "timeline/TrackStore.h"

class Soundtrack;

// Rows per second at a tempo, 16 rows per beat. The player works in single precision
// (rowFromSeconds); the studio takes the same rule in double, so that a seek to a whole
// row lands on that row's exact sample.
double rowsPerSecond(double bpm);
// The row of the timeline at a music position, in single precision as the player reads it.
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
