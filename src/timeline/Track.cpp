// Track values are part of the track file's contract: the same file and row give the same
// value bit for bit on every build, so no multiply-add may be fused into one rounding.
#if defined(__clang__)
#pragma STDC FP_CONTRACT OFF
#elif defined(__GNUC__)
#pragma GCC optimize("fp-contract=off")
#endif

#include "timeline/Track.h"

#include <cmath>
#include <cstdint>

namespace {

// With a constant exponent compilers replace the ramp's pow by t * t at some optimisation
// levels and not at others; the exponent is read at run time so every build calls pow.
volatile double rampExponent = 2.0;

// Rows outside the 32-bit range (or NaN) would make the conversion undefined; they clamp
// to the nearest end, which the key search treats like any row before or after every key.
int32_t floorToRow(double row)
{
    double floored = std::floor(row);
    if (!(floored >= static_cast<double>(INT32_MIN))) {
        return INT32_MIN;
    }
    if (floored > static_cast<double>(INT32_MAX)) {
        return INT32_MAX;
    }
    return static_cast<int32_t>(floored);
}

double interpolate(const TrackKey& k0, const TrackKey& k1, double row)
{
    // The row span is taken in 64 bits: keys near both ends of the row range would
    // overflow a 32-bit difference, and every span that fits gives the same double.
    double span = static_cast<double>(static_cast<int64_t>(k1.row) - static_cast<int64_t>(k0.row));
    double t = (row - static_cast<double>(k0.row)) / span;
    float difference = k1.value - k0.value;
    double d = static_cast<double>(difference);
    double s = static_cast<double>(k0.value);
    switch (k0.interpolation) {
    case Step:
        return s;
    case Linear:
        return t * d + s;
    case Smooth:
        return ((3.0 - t * 2.0) * (t * t)) * d + s;
    case Ramp:
        return std::pow(t, rampExponent) * d + s;
    default:
        return 0.0;
    }
}

}

int32_t findKey(const Track* track, int32_t row)
{
    int32_t lo = 0;
    int32_t hi = track->keyCount;
    while (lo < hi) {
        int32_t mid = lo + (hi - lo) / 2;
        int32_t midRow = track->keys[mid].row;
        if (midRow < row) {
            lo = mid + 1;
        } else if (midRow == row) {
            return mid;
        } else {
            hi = mid;
        }
    }
    return -lo - 1;
}

int32_t keyIndexAtOrBefore(const Track* track, int32_t row)
{
    int32_t index = findKey(track, row);
    return index >= 0 ? index : -index - 2;
}

double trackValue(const Track* track, double row)
{
    if (track->keyCount <= 0) {
        return 0.0;
    }
    int32_t i = keyIndexAtOrBefore(track, floorToRow(row));
    if (i < 0) {
        return static_cast<double>(track->keys[0].value);
    }
    if (i > track->keyCount - 2) {
        return static_cast<double>(track->keys[track->keyCount - 1].value);
    }
    return interpolate(track->keys[i], track->keys[i + 1], row);
}
