// The transport on the music: a seek lands on its sample, a pause holds the
// music where it is, and a loop wraps back to its start.
#include "StudioRun.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace testing_support;

constexpr double kSampleRate = 44100.0;
constexpr double kOneSample = 1.0 / kSampleRate;

TEST(StudioTransport, ASeekLandsOnItsSampleAndAPauseHoldsTheMusic)
{
    StudioDir dir;
    ProcessResult run = runStudio(dir, "seek 11\nseek 20\nwait 0.5\npause\nwait 2\nplay\nwait 0.5\n");
    ASSERT_EQ(run.exitCode, 0) << run.output;

    // Bar 11 starts 24 s in, on sample 1,058,400 exactly; the report prints microseconds.
    EXPECT_NEAR(musicSecondsAfter(run.output, "seek 11"), 24.0, 1e-6) << run.output;
    double barStart = 20 * kSecondsPerBar;
    double sought = musicSecondsAfter(run.output, "seek 20");
    EXPECT_NEAR(sought, std::floor(barStart * kSampleRate) / kSampleRate, 1e-6) << run.output;
    double paused = musicSecondsAfter(run.output, "pause");
    double held = musicSecondsAfter(run.output, "wait 2");
    EXPECT_GT(paused, barStart + 0.2) << "the music did not play after the seek\n" << run.output;
    EXPECT_NEAR(held, paused, kOneSample) << "the music drifted while paused\n" << run.output;
    EXPECT_NEAR(musicSecondsAfter(run.output, "play"), paused, kOneSample) << run.output;
}

// Within the piece, and in its last section, where the loop's end is the end of the music.
TEST(StudioTransport, ALoopWrapsToItsStart)
{
    StudioDir dir;
    ProcessResult run = runStudio(dir, "seek 20:3\nwait 1.5\nkey L\nseek 71:3\nkey L\nwait 2\n", {"--loop", "20:21"});
    ASSERT_EQ(run.exitCode, 0) << run.output;

    EXPECT_NE(run.output.find("loop: back to 20:0:00"), std::string::npos) << run.output;
    double after = musicSecondsAfter(run.output, "wait 1.5");
    EXPECT_GE(after, 20 * kSecondsPerBar) << run.output;
    EXPECT_LT(after, 21 * kSecondsPerBar) << run.output;

    EXPECT_NE(run.output.find("loop: back to 68:0:00"), std::string::npos) << run.output;
    after = musicSecondsAfter(run.output, "wait 2");
    EXPECT_GE(after, 68 * kSecondsPerBar) << run.output;
    EXPECT_LT(after, 70 * kSecondsPerBar) << run.output;
}

}
