#include "timeline/Track.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace {

Track makeTrack(std::vector<TrackKey>& keys)
{
    Track track;
    track.keys = keys.empty() ? nullptr : keys.data();
    track.keyCount = static_cast<int32_t>(keys.size());
    return track;
}

struct ValueCase {
    const char* what;
    std::vector<TrackKey> keys;
    std::vector<double> rows;
    double expected;
};

const double kNaN = std::numeric_limits<double>::quiet_NaN();

std::vector<ValueCase> valueCases()
{
    const std::vector<TrackKey> ramp = {{0, 0.0f, Linear}, {10, 1.0f, Step}};
    auto pair = [](int32_t type) {
        return std::vector<TrackKey>{{0, 0.0f, type}, {10, 1.0f, Step}};
    };
    return {
        {"no keys", {}, {-100.0, -0.5, 0.0, 3.25, 1e9}, 0.0},
        {"one key before it", {{5, 2.5f, Linear}}, {-3.0, 0.0, 4.99}, 2.5},
        {"one key on and after it", {{5, 2.5f, Smooth}}, {5.0, 5.5, 1000.0}, 2.5},
        {"one key of unknown type", {{5, 2.5f, 4}}, {4.0, 5.0, 6.0}, 2.5},
        {"before the first key", {{8, 3.0f, Linear}, {16, 5.0f, Step}}, {0.0, 7.9}, 3.0},
        {"negative fraction rounds down", {{0, 7.0f, Linear}, {10, 9.0f, Step}}, {-0.5}, 7.0},
        {"linear between", ramp, {2.5}, 0.25},
        {"linear on the last key and after", ramp, {10.0, 10.5, 11.0, 5000.0}, 1.0},
        {"smooth midpoint", pair(Smooth), {5.0}, 0.5},
        {"smooth quarter", pair(Smooth), {2.5}, 0.15625},
        {"ramp midpoint", pair(Ramp), {5.0}, 0.25},
        {"step holds", pair(Step), {0.0, 4.5, 9.0, 9.999}, 0.0},
        {"step on its own row", {{4, 3.0f, Step}, {10, 1.0f, Step}}, {4.0}, 3.0},
        {"linear on its own row", {{4, 3.0f, Linear}, {10, 1.0f, Step}}, {4.0}, 3.0},
        {"smooth on its own row", {{4, 3.0f, Smooth}, {10, 1.0f, Step}}, {4.0}, 3.0},
        {"ramp on its own row", {{4, 3.0f, Ramp}, {10, 1.0f, Step}}, {4.0}, 3.0},
        {"type 4 between", pair(4), {0.0, 3.0, 9.99}, 0.0},
        {"type byte 200 between", {{0, 6.0f, -56}, {10, 1.0f, Step}}, {0.0, 9.5}, 0.0},
        {"type 4 on the last key", {{0, 6.0f, Linear}, {10, 1.0f, 4}}, {10.0, 12.5}, 1.0},
        // The difference of the two values is rounded to single precision first:
        // 1e-8 - 1 is -1 in float, so the midpoint is exactly 0.5.
        {"single-precision difference", {{0, 1.0f, Linear}, {10, 1e-8f, Step}}, {5.0}, 0.5},
        {"span beyond 32 bits", {{-2000000000, 0.0f, Linear}, {2000000000, 1.0f, Step}}, {0.0}, 0.5},
        {"rows beyond the integer range", ramp, {1e300, 3e9}, 1.0},
        {"rows below the integer range", {{0, 4.0f, Linear}, {10, 9.0f, Step}}, {-1e300, -3e9, kNaN}, 4.0},
    };
}

TEST(TrackValue, EdgeCases)
{
    for (ValueCase& c : valueCases()) {
        Track track = makeTrack(c.keys);
        for (double row : c.rows) {
            EXPECT_EQ(trackValue(&track, row), c.expected) << c.what << " at row " << row;
        }
    }
}

TEST(TrackValue, InterpolationBetweenKeysFollowsTheCurve)
{
    // Each curve is checked against its textbook shape at several points.
    struct Curve {
        int32_t type;
        double (*shape)(double);
    };
    const Curve curves[] = {
        {Linear, [](double t) { return t; }},
        {Smooth, [](double t) { return t * t * (3.0 - 2.0 * t); }},
        {Ramp, [](double t) { return t * t; }},
    };
    for (const Curve& curve : curves) {
        std::vector<TrackKey> keys = {{16, -2.0f, curve.type}, {48, 6.0f, Step}};
        Track track = makeTrack(keys);
        for (double row = 16.0; row < 48.0; row += 1.75) {
            double t = (row - 16.0) / 32.0;
            EXPECT_NEAR(trackValue(&track, row), -2.0 + 8.0 * curve.shape(t), 1e-12)
                << "type " << curve.type << " at row " << row;
        }
    }
}

volatile double runtimeTwo = 2.0;

TEST(TrackValue, RampIsTheLibraryPowerFunction)
{
    // pow(t, 2.0) and t * t differ in the last bit for some t; the file format's values
    // are those of pow, on every build and optimisation level.
    std::vector<TrackKey> keys = {{0, 0.0f, Ramp}, {41, 1.0f, Step}};
    Track track = makeTrack(keys);
    double t = 16.5 / 41.0;
    double viaPow = std::pow(t, runtimeTwo);
    if (viaPow == t * t) {
        GTEST_SKIP() << "this math library squares 16.5/41 exactly; the row cannot tell the two apart";
    }
    EXPECT_EQ(trackValue(&track, 16.5), viaPow);
}

struct SearchCase {
    int32_t row;
    int32_t found;
    int32_t atOrBefore;
};

TEST(TrackSearch, KeysAtZeroFourEight)
{
    std::vector<TrackKey> keys = {{0, 0.0f, Step}, {4, 1.0f, Step}, {8, 2.0f, Step}};
    Track track = makeTrack(keys);
    const SearchCase cases[] = {
        {4, 1, 1},   {5, -3, 1},  {-1, -1, -1}, {9, -4, 2},
        {0, 0, 0},   {8, 2, 2},   {3, -2, 0},   {INT32_MIN, -1, -1}, {INT32_MAX, -4, 2},
    };
    for (const SearchCase& c : cases) {
        EXPECT_EQ(findKey(&track, c.row), c.found) << "row " << c.row;
        EXPECT_EQ(keyIndexAtOrBefore(&track, c.row), c.atOrBefore) << "row " << c.row;
    }
}

TEST(TrackSearch, EmptyTrack)
{
    Track track;
    for (int32_t row : {INT32_MIN, -1, 0, 1, INT32_MAX}) {
        EXPECT_EQ(findKey(&track, row), -1);
        EXPECT_EQ(keyIndexAtOrBefore(&track, row), -1);
    }
}

TEST(TrackSearch, EveryRowOfALongTrack)
{
    // Keys on every third row: each row finds its key or the gap it falls into.
    std::vector<TrackKey> keys;
    for (int32_t i = 0; i < 100; ++i) {
        keys.push_back({i * 3, static_cast<float>(i), Step});
    }
    Track track = makeTrack(keys);
    for (int32_t row = -2; row < 305; ++row) {
        int32_t expectedBefore = row < 0 ? -1 : std::min(row / 3, 99);
        bool onKey = row >= 0 && row % 3 == 0 && row / 3 < 100;
        int32_t insertion = row < 0 ? 0 : std::min((row + 2) / 3, 100);
        EXPECT_EQ(findKey(&track, row), onKey ? row / 3 : -insertion - 1) << "row " << row;
        EXPECT_EQ(keyIndexAtOrBefore(&track, row), expectedBefore) << "row " << row;
    }
}

}
