// The timeline saved while the studio runs shows in the picture within a second,
// without a restart and at the same position.
#include "StudioRun.h"

#include <gtest/gtest.h>

namespace {

using namespace testing_support;

// At bar 20 the picture is faded fully in; the edit fades it to a quarter.
constexpr const char* kFadeKey = "    @intro+2:0:0        1         step";
constexpr const char* kDimmedFadeKey = "    @intro+2:0:0        0.25      step";
constexpr double kMaxDimmedShare = 0.6;

TEST(StudioTimelineReload, ASavedEditChangesThePictureWithinASecond)
{
    StudioDir dir;
    std::string timeline = readFile(dir.file("res/sync/demo.timeline"));
    size_t key = timeline.find(kFadeKey);
    ASSERT_NE(key, std::string::npos) << "the fade-in key moved; update the test";
    std::string dimmed = timeline;
    dimmed.replace(key, std::string(kFadeKey).size(), kDimmedFadeKey);

    ProcessResult run = runStudio(dir, "seek 20\npause\noverlay off\nshot before.png\nwait 1\nshot after.png\n", {},
                                  {{dir.file("before.png"), dir.file("res/sync/demo.timeline"), dimmed}});
    ASSERT_EQ(run.exitCode, 0) << run.output;

    RgbImage before = readRgbPng(dir.file("before.png"));
    RgbImage after = readRgbPng(dir.file("after.png"));
    ASSERT_GT(meanValue(before), 0.0);
    EXPECT_LT(meanValue(after), meanValue(before) * kMaxDimmedShare) << run.output;
    EXPECT_NE(run.output.find("script: shot after.png -> 20:0:00"), std::string::npos) << run.output;
}

}
