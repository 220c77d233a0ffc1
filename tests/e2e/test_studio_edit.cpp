// Edits made by the studio's script: written into the timeline text as one changed
// line, shown on the next frame as the demo would draw the text, and never at the cost
// of a save made elsewhere.
#include "StudioRun.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>

namespace {

using namespace testing_support;

constexpr double kCaptureTimeout = 120.0;
constexpr int kBar = 20;
// At bar 20 the picture is faded fully in; the edit fades it to a quarter.
constexpr const char* kFadeKey = "    @intro+2:0:0        1         step";
constexpr const char* kDimmedFadeKey = "    @intro+2:0:0        0.25      step";
constexpr const char* kFadeEdit = "edit set FX.Fade @intro+2:0:0 0.25";
constexpr const char* kExposureKey = "    @main:0:0           0.5       smooth";
constexpr const char* kBrighterExposureKey = "    @main:0:0           0.75      smooth";
constexpr const char* kOutroKey = "    @outro:0:0          0.15      smooth";
constexpr const char* kOutsideOutroKey = "    @outro:0:0          0.3       smooth    # saved elsewhere";
constexpr double kMaxDimmedShare = 0.6;
constexpr double kMaxMeanDifference = 1.0;

std::string replaced(const std::string& text, const std::string& line, const std::string& with)
{
    std::string copy = text;
    size_t at = copy.find(line + "\n");
    return at == std::string::npos ? "" : copy.replace(at, line.size(), with);
}

TEST(StudioEdit, AScriptedEditShowsOnTheNextFrameAsTheDemoDrawsTheWrittenText)
{
    StudioDir dir;
    std::string path = dir.file("res/sync/demo.timeline");
    std::string expected = replaced(readFile(path), kFadeKey, kDimmedFadeKey);
    ASSERT_FALSE(expected.empty()) << "the fade-in key moved; update the test";

    ProcessResult run = runStudio(dir, "seek 20\npause\noverlay off\nshot before.png\n" + std::string(kFadeEdit) +
                                           "\nshot after.png\n");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("script: " + std::string(kFadeEdit) + " -> wrote line 34: @intro+2:0:0        0.25      step"),
              std::string::npos) << run.output;
    EXPECT_EQ(readFile(path), expected);
    RgbImage before = readRgbPng(dir.file("before.png"));
    RgbImage after = readRgbPng(dir.file("after.png"));
    ASSERT_GT(meanValue(before), 0.0);
    EXPECT_LT(meanValue(after), meanValue(before) * kMaxDimmedShare);

    ProcessResult sync = runProcess({binDir() + "/synctool", "build", "res/sync/demo.timeline", "res/sync"}, dir.path,
                                    {}, kCaptureTimeout);
    ASSERT_EQ(sync.exitCode, 0) << sync.output;
    ProcessResult capture = captureStill(dir, kBar);
    ASSERT_EQ(capture.exitCode, 0) << capture.output;
    double difference = meanDifference(after, readRgbPng(dir.file("still/frame_000000.png")));
    EXPECT_GE(difference, 0.0);
    EXPECT_LE(difference, kMaxMeanDifference);
}

// The save from outside lands between two edits; the second edit is made on top of it
// and starts a new history, so it undoes alone. The wait after it lets the studio look
// at the file: its own write must not start another history.
TEST(StudioEdit, ASaveFromOutsideBetweenTwoEditsIsKept)
{
    StudioDir dir;
    std::string path = dir.file("res/sync/demo.timeline");
    std::string first = replaced(readFile(path), kFadeKey, kDimmedFadeKey);
    std::string outside = replaced(first, kOutroKey, kOutsideOutroKey);
    std::string expected = replaced(outside, kExposureKey, kBrighterExposureKey);
    ASSERT_FALSE(expected.empty()) << "a key of the test moved; update the test";

    ProcessResult run = runStudio(dir,
                                  "pause\noverlay off\n" + std::string(kFadeEdit) +
                                      "\nshot first.png\nwait 0.3\nedit set FX.Exposure @main 0.75\nwait 0.6\nundo\nundo\nredo\n",
                                  {}, {{dir.file("first.png"), path, outside}});
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(readFile(path), expected);
    size_t undone = run.output.find("script: undo -> undone, wrote demo.timeline");
    EXPECT_NE(undone, std::string::npos) << run.output;
    EXPECT_NE(run.output.find("script: undo -> refused: nothing to undo", undone), std::string::npos) << run.output;
}

// A file the studio may not change: the edit is refused with why, nothing is written,
// and the script goes on.
struct Refusal {
    const char* name;
    bool readOnly;
    const char* brokenLine;  // replaces the fade-in key, or nullptr
    const char* why;
};

const Refusal kRefusals[] = {
    {"a read-only file", true, nullptr, "-> refused: res/sync/demo.timeline is read-only"},
    {"a text with errors", false, "    @intro+2:0:0        1         stpe",
     "-> refused: demo.timeline has errors; the first: demo.timeline:34: unknown interpolation 'stpe'"},
};

TEST(StudioEdit, AFileTheStudioMayNotChangeIsLeftAsItIs)
{
    for (const Refusal& refusal : kRefusals) {
        SCOPED_TRACE(refusal.name);
        StudioDir dir;
        std::string path = dir.file("res/sync/demo.timeline");
        std::string text = refusal.brokenLine ? replaced(readFile(path), kFadeKey, refusal.brokenLine) : readFile(path);
        writeFile(path, text);
        if (refusal.readOnly) {
            chmod(path.c_str(), S_IRUSR | S_IRGRP | S_IROTH);
        }
        ProcessResult run = runStudio(dir, std::string(kFadeEdit) + "\npause\n");
        ASSERT_EQ(run.exitCode, 0) << run.output;
        EXPECT_NE(run.output.find("script: " + std::string(kFadeEdit) + " " + refusal.why), std::string::npos)
            << run.output;
        EXPECT_NE(run.output.find("script: pause ->"), std::string::npos) << run.output;
        EXPECT_EQ(readFile(path), text);
    }
}

}
