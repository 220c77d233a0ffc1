#include "timeline/Soundtrack.h"
#include "timeline/SyncDevice.h"

#include "TestPaths.h"
#include "TrackFiles.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cmath>
#include <limits>
#include <string>

using namespace testing_support;

namespace {

constexpr float kBpm = 110.0f;

class SyncDeviceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = makeTempDir("morlenth-sync");
        device.store = createTrackStore((dir + "/").c_str());
        ASSERT_NE(device.store, nullptr);
    }
    void TearDown() override
    {
        device.shutdown();
        removeTree(dir);
    }

    std::string dir;
    SyncDevice device;
};

TEST(RowFromSeconds, SixteenRowsPerBeat)
{
    // At 110 beats per minute a beat lasts 60/110 s and a row 60/1760 s.
    EXPECT_EQ(rowFromSeconds(0.0f, kBpm), 0.0f);
    EXPECT_NEAR(rowFromSeconds(60.0f / 110.0f, kBpm), 16.0f, 1e-5f);
    EXPECT_NEAR(rowFromSeconds(1.0f, kBpm), 1760.0f / 60.0f, 1e-5f);
    EXPECT_NEAR(rowFromSeconds(90.0f, kBpm), 2640.0f, 1e-2f);
    EXPECT_NEAR(rowFromSeconds(1.0f, 120.0f), 32.0f, 1e-5f);
}

TEST_F(SyncDeviceTest, LinearKeyHalfwayAtHalfABeat)
{
    writeTrackFile(dir, "FX.Fade", {{0, 0.0f, Linear}, {32, 1.0f, Step}});
    device.row = rowFromSeconds(0.54545456f, kBpm);
    EXPECT_NEAR(device.row, 16.0f, 1e-4f);
    EXPECT_NEAR(device.getFloat("FX.Fade"), 0.5f, 1e-5f);
    for (float row : {32.0f, 32.5f, 400.0f}) {
        device.row = row;
        EXPECT_EQ(device.getFloat("FX.Fade"), 1.0f) << "row " << row;
    }
    EXPECT_EQ(device.store->trackCount, 1);
}

TEST_F(SyncDeviceTest, MissingTrackReadsZeroEverywhere)
{
    for (float row : {-5.0f, 0.0f, 16.5f, 1e6f}) {
        device.row = row;
        EXPECT_EQ(device.getFloat("Ring1.Progress"), 0.0f);
        EXPECT_EQ(device.getInt("Ring1.Progress"), 0);
        EXPECT_FALSE(device.getBool("Ring1.Progress"));
    }
    EXPECT_EQ(device.store->trackCount, 1);
}

TEST_F(SyncDeviceTest, IntegerAndSwitchReadings)
{
    struct Reading {
        float value;
        int asInt;
        bool asBool;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Reading readings[] = {
        {2.7f, 2, true},       {-0.25f, -1, false}, {0.0001f, 0, true},   {0.0f, 0, false},
        {-0.0f, 0, false},     {-3.0f, -3, false},  {1.0f, 1, true},      {nan, 0, false},
        {3e9f, INT_MAX, true}, {-3e9f, INT_MIN, false},
        {std::numeric_limits<float>::infinity(), INT_MAX, true},
    };
    int index = 0;
    for (const Reading& r : readings) {
        std::string name = "Value.N" + std::to_string(index++);
        writeConstantTrack(dir, name, r.value);
        EXPECT_EQ(device.getInt(name.c_str()), r.asInt) << r.value;
        EXPECT_EQ(device.getBool(name.c_str()), r.asBool) << r.value;
    }
}

TEST_F(SyncDeviceTest, UpdateBeforePlaybackGivesRowZero)
{
    Soundtrack soundtrack;
    soundtrack.bpm = kBpm;
    device.soundtrack = &soundtrack;
    device.row = 123.0f;
    device.update();
    EXPECT_EQ(device.row, 0.0f);
}

// The row follows the music: 0 until it plays, then its position at 16 rows per beat.
TEST(SyncDeviceUpdate, FollowsThePlayingSoundtrack)
{
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    Soundtrack soundtrack;
    ASSERT_TRUE(soundtrack.initAudio());
    ASSERT_TRUE(soundtrack.load((sourceDir() + "/tests/fixtures/audio/clip_stereo_44100.mp3").c_str(), kBpm));
    SyncDevice device;
    device.soundtrack = &soundtrack;
    device.row = 50.0f;
    device.update();
    EXPECT_EQ(device.row, 0.0f);

    soundtrack.play();
    float before = 0.0f;
    for (int wait = 0; wait < 500 && before < 0.2f; ++wait) {
        SDL_Delay(10);
        before = soundtrack.position();
    }
    ASSERT_GE(before, 0.2f) << "the music did not advance";
    device.update();
    float after = soundtrack.position();
    EXPECT_GE(device.row, rowFromSeconds(before, kBpm));
    EXPECT_LE(device.row, rowFromSeconds(after, kBpm));
    soundtrack.stop();
    soundtrack.shutdownAudio();
}

TEST(SyncDeviceInit, NeedsASoundtrack)
{
    Soundtrack soundtrack;
    SyncDevice device;
    EXPECT_TRUE(device.init(&soundtrack));
    ASSERT_NE(device.store, nullptr);
    EXPECT_STREQ(device.store->basePath, "res/sync/");
    EXPECT_EQ(device.soundtrack, &soundtrack);
    device.shutdown();

    SyncDevice without;
    EXPECT_FALSE(without.init(nullptr));
    without.shutdown();
}

}
