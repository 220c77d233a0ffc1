// A seek to bar 20, paused, with the overlay off, shows the demo's own picture:
// the frame capture renders offline at that time, even after the overlay was up.
#include "StudioRun.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace testing_support;

constexpr int kBar = 20;
// Within one 8-bit step on average: the studio's row comes from the seek, capture's from seconds.
constexpr double kMaxMeanDifference = 1.0;
constexpr int kMinContrast = 64;

TEST(StudioStill, ASeekWhilePausedShowsTheFrameCaptureRendersAtThatTime)
{
    StudioDir dir;
    // The overlay draws for a while first: what it does to the GL state must not outlive it.
    ProcessResult studio = runStudio(dir, "seek 20\npause\nwait 0.5\noverlay off\nshot studio.png\n");
    ASSERT_EQ(studio.exitCode, 0) << studio.output;

    ProcessResult capture = captureStill(dir, kBar);
    ASSERT_EQ(capture.exitCode, 0) << capture.output;

    RgbImage shown = readRgbPng(dir.file("studio.png"));
    RgbImage still = readRgbPng(dir.file("still/frame_000000.png"));
    ASSERT_EQ(shown.width, kStudioWidth);
    ASSERT_EQ(shown.height, kStudioHeight);
    auto range = std::minmax_element(still.pixels.begin(), still.pixels.end());
    ASSERT_GT(*range.second - *range.first, kMinContrast) << "the still shows nothing";
    double difference = meanDifference(shown, still);
    EXPECT_GE(difference, 0.0);
    EXPECT_LE(difference, kMaxMeanDifference);
}

}
