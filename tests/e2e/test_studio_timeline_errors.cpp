// A broken timeline keeps the tracks that played and names the line at fault;
// the fixed text is applied as soon as it is saved.
#include "StudioRun.h"

#include <gtest/gtest.h>

namespace {

using namespace testing_support;

constexpr const char* kFadeKey = "    @intro+2:0:0        1         step";
// Broken in the same line that also dims the picture, so a half-applied text would show.
constexpr const char* kBrokenFadeKey = "    @intro+2:0:0        0.25      stpe";
constexpr const char* kDimmedFadeKey = "    @intro+2:0:0        0.25      step";
constexpr double kMaxDimmedShare = 0.6;

std::string replaced(const std::string& text, size_t at, const char* line)
{
    std::string copy = text;
    copy.replace(at, std::string(kFadeKey).size(), line);
    return copy;
}

int lineOf(const std::string& text, size_t at)
{
    int line = 1;
    for (size_t i = 0; i < at; ++i) {
        line += text[i] == '\n' ? 1 : 0;
    }
    return line;
}

TEST(StudioTimelineErrors, ABrokenEditKeepsThePictureAndAFixApplies)
{
    StudioDir dir;
    std::string path = dir.file("res/sync/demo.timeline");
    std::string timeline = readFile(path);
    size_t key = timeline.find(kFadeKey);
    ASSERT_NE(key, std::string::npos) << "the fade-in key moved; update the test";

    ProcessResult run = runStudio(dir,
                                  "seek 20\npause\noverlay off\nshot first.png\nwait 1\nshot broken.png\n"
                                  "wait 1\nshot fixed.png\n",
                                  {},
                                  {{dir.file("first.png"), path, replaced(timeline, key, kBrokenFadeKey)},
                                   {dir.file("broken.png"), path, replaced(timeline, key, kDimmedFadeKey)}});
    ASSERT_EQ(run.exitCode, 0) << run.output;

    std::string error = "demo.timeline:" + std::to_string(lineOf(timeline, key)) + ": unknown interpolation 'stpe'";
    EXPECT_NE(run.output.find(error), std::string::npos) << run.output;
    RgbImage first = readRgbPng(dir.file("first.png"));
    EXPECT_EQ(meanDifference(first, readRgbPng(dir.file("broken.png"))), 0.0);
    EXPECT_LT(meanValue(readRgbPng(dir.file("fixed.png"))), meanValue(first) * kMaxDimmedShare) << run.output;
}

}
