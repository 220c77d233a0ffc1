#include "timeline/TrackStore.h"

#include "TestPaths.h"
#include "TrackFiles.h"

#include <gtest/gtest.h>
#include <malloc.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

class TrackStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = makeTempDir("morlenth-tracks");
        store = createTrackStore((dir + "/").c_str());
        ASSERT_NE(store, nullptr);
    }
    void TearDown() override
    {
        destroyTrackStore(store);
        removeTree(dir);
    }
    Track* load(const std::string& name, const std::string& bytes)
    {
        writeFile(dir + "/_" + name + ".track", bytes);
        return getTrack(store, name.c_str());
    }

    std::string dir;
    TrackStore* store = nullptr;
};

struct DamagedCase {
    const char* what;
    std::string bytes;
    std::vector<TrackKey> expected;
};

std::vector<DamagedCase> damagedCases()
{
    std::string twoKeys = keyBytes(0, 1.0f, Linear) + keyBytes(16, 2.0f, Step);
    return {
        {"empty file", "", {}},
        {"count cut short", std::string("\x02\x00", 2), {}},
        {"count 0 with keys after it", le32(0) + twoKeys, {}},
        {"count below the keys present", le32(1) + twoKeys, {{0, 1.0f, Linear}}},
        {"negative count", le32(-1) + twoKeys + "stray", {{0, 1.0f, Linear}, {16, 2.0f, Step}}},
        {"most negative count", le32(INT32_MIN) + keyBytes(3, 1.0f, Step), {{3, 1.0f, Step}}},
        {"huge count in 13 bytes", le32(2000000000) + keyBytes(7, 4.0f, Ramp), {{7, 4.0f, Ramp}}},
        {"truncated last key", le32(3) + twoKeys + keyBytes(32, 3.0f, Step).substr(0, 6),
         {{0, 1.0f, Linear}, {16, 2.0f, Step}}},
        {"unsorted rows",
         le32(4) + keyBytes(0, 1, Linear) + keyBytes(10, 2, Linear) + keyBytes(5, 3, Linear) +
             keyBytes(20, 4, Step),
         {{0, 1, Linear}, {10, 2, Linear}, {20, 4, Step}}},
        {"two keys on one row",
         le32(4) + keyBytes(0, 1, Linear) + keyBytes(8, 2, Smooth) + keyBytes(8, 3, Ramp) +
             keyBytes(16, 4, Step),
         {{0, 1, Linear}, {8, 2, Smooth}, {16, 4, Step}}},
        {"first key above the rest",
         le32(3) + keyBytes(10, 1, Linear) + keyBytes(0, 2, Linear) + keyBytes(5, 3, Linear),
         {{10, 1, Linear}}},
        {"type bytes sign-extended", le32(2) + keyBytes(0, 6, 200) + keyBytes(4, 1, 127),
         {{0, 6, -56}, {4, 1, 127}}},
    };
}

TEST_F(TrackStoreTest, DamagedFilesKeepOnlyCompleteAscendingKeys)
{
    int index = 0;
    for (const DamagedCase& c : damagedCases()) {
        Track* track = load("Damaged" + std::to_string(index++), c.bytes);
        ASSERT_NE(track, nullptr) << c.what;
        ASSERT_EQ(track->keyCount, static_cast<int32_t>(c.expected.size())) << c.what;
        for (size_t i = 0; i < c.expected.size(); ++i) {
            EXPECT_EQ(track->keys[i].row, c.expected[i].row) << c.what << " key " << i;
            EXPECT_EQ(track->keys[i].value, c.expected[i].value) << c.what << " key " << i;
            EXPECT_EQ(track->keys[i].interpolation, c.expected[i].interpolation) << c.what << " key " << i;
        }
        // Allocation follows the keys the file holds, not the count it claims.
        if (track->keys != nullptr) {
            EXPECT_LE(malloc_usable_size(track->keys), 64 * sizeof(TrackKey)) << c.what;
        }
        for (double row = -3.0; row < 40.0; row += 0.5) {
            EXPECT_TRUE(std::isfinite(trackValue(track, row))) << c.what << " at row " << row;
        }
    }
}

TEST_F(TrackStoreTest, MissingFileMakesOneTrackWithoutKeys)
{
    Track* first = getTrack(store, "Camera.Missing");
    ASSERT_NE(first, nullptr);
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(getTrack(store, "Camera.Missing"), first);
    }
    EXPECT_EQ(store->trackCount, 1);
    EXPECT_EQ(first->keyCount, 0);
    EXPECT_EQ(first->keys, nullptr);
    EXPECT_STREQ(first->name, "Camera.Missing");
}

TEST_F(TrackStoreTest, NamesDifferingInCaseAreTwoTracksWithTwoFiles)
{
    writeConstantTrack(dir, "Cube.Scale", 2.0f);
    writeConstantTrack(dir, "cube.scale", -3.0f);
    Track* upper = getTrack(store, "Cube.Scale");
    Track* lower = getTrack(store, "cube.scale");
    ASSERT_NE(upper, lower);
    EXPECT_EQ(trackValue(upper, 5.0), 2.0);
    EXPECT_EQ(trackValue(lower, 5.0), -3.0);
    EXPECT_EQ(findTrack(store, "Cube.Scale"), 0);
    EXPECT_EQ(findTrack(store, "cube.scale"), 1);
    EXPECT_EQ(findTrack(store, "CUBE.SCALE"), -1);
}

TEST_F(TrackStoreTest, LookupAgreesWithAScanInCreationOrder)
{
    std::vector<std::string> names;
    for (int i = 0; i < 300; ++i) {
        names.push_back("Group" + std::to_string(i % 7) + ".Property" + std::to_string(i));
        ASSERT_NE(getTrack(store, names.back().c_str()), nullptr);
    }
    ASSERT_EQ(store->trackCount, 300);
    for (int i = 0; i < 300; ++i) {
        EXPECT_EQ(findTrack(store, names[i].c_str()), i) << names[i];
        EXPECT_EQ(getTrack(store, names[i].c_str()), store->tracks[i]);
    }
    for (const char* absent : {"", "Group0", "Group0.Property", "Group0.Property00", "group0.property0",
                               "Group0.Property0 ", "Group6.Property300"}) {
        EXPECT_EQ(findTrack(store, absent), -1) << absent;
    }
    EXPECT_EQ(store->trackCount, 300);
}

TEST_F(TrackStoreTest, TracksAppendedByHandStillResolveToTheFirst)
{
    getTrack(store, "FX.Fade");
    getTrack(store, "FX.Flash");
    // A second record under an existing name, appended by hand: the first still wins.
    Track* copy = new Track();
    copy->name = strdup("FX.Fade");
    store->tracks = static_cast<Track**>(realloc(store->tracks, 3 * sizeof(Track*)));
    store->tracks[2] = copy;
    store->trackCount = 3;
    EXPECT_EQ(findTrack(store, "FX.Fade"), 0);
    EXPECT_EQ(findTrack(store, "FX.Flash"), 1);
    getTrack(store, "FX.Vignette");
    EXPECT_EQ(findTrack(store, "FX.Fade"), 0);
    EXPECT_EQ(findTrack(store, "FX.Vignette"), 3);
}

}
