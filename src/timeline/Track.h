#pragma once

#include <cstdint>

enum InterpolationType : int32_t {
    Step = 0,
    Linear = 1,
    Smooth = 2,
    Ramp = 3,
};

struct TrackKey {
    int32_t row;
    float value;
    int32_t interpolation;
};

// A named keyframe curve. The keys stand in strictly ascending row order.
struct Track {
    char* name = nullptr;
    TrackKey* keys = nullptr;
    int32_t keyCount = 0;
};

int32_t findKey(const Track* track, int32_t row);
int32_t keyIndexAtOrBefore(const Track* track, int32_t row);
double trackValue(const Track* track, double row);
