// Track names whose file path does not fit the store's 260-byte path buffer,
// against real files on disk.
#include "timeline/TrackStore.h"

#include "TestPaths.h"
#include "TrackFiles.h"

#include <gtest/gtest.h>

#include <string>

using namespace testing_support;

namespace {

constexpr size_t kLongestPath = 259;

class TrackLongNames : public ::testing::Test {
protected:
    void SetUp() override
    {
        base = makeTempDir("morlenth-long-names") + "/";
        store = createTrackStore(base.c_str());
        ASSERT_NE(store, nullptr);
    }
    void TearDown() override
    {
        destroyTrackStore(store);
        removeTree(base);
    }
    // The longest name whose path base + "_" + name + ".track" still fits.
    size_t longestName() const { return kLongestPath - base.size() - 1 - 6; }

    std::string base;
    TrackStore* store = nullptr;
};

// A copy cut to the buffer would open the file at the cut path, which here
// holds keys: the long name must read as a track without a file instead.
TEST_F(TrackLongNames, ANameTooLongReadsAsMissingNeverAsTheCutPath)
{
    for (size_t length : {longestName() + 1, longestName() + 7, size_t{261}, size_t{300}, size_t{4096}}) {
        SCOPED_TRACE(length);
        const std::string name(length, 'L');
        const std::string cutPath = (base + "_" + name + ".track").substr(0, kLongestPath);
        writeFile(cutPath, std::string("\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\xe0\x40\x00", 13));
        Track* track = getTrack(store, name.c_str());
        ASSERT_NE(track, nullptr);
        EXPECT_EQ(track->keyCount, 0);
        EXPECT_EQ(trackValue(track, 8.0), 0.0);
        EXPECT_EQ(std::string(track->name), name);
        EXPECT_EQ(getTrack(store, name.c_str()), track);
    }
}

TEST_F(TrackLongNames, TheLongestNameThatFitsStillLoads)
{
    const std::string name(longestName(), 'F');
    writeConstantTrack(base, name, 3.5f);
    Track* track = getTrack(store, name.c_str());
    ASSERT_NE(track, nullptr);
    EXPECT_EQ(track->keyCount, 1);
    EXPECT_EQ(trackValue(track, 100.0), 3.5);
}

}
