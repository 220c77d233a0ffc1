// The whole demo with every scene object on screen: start-up, frames and
// shutdown must leave no GL error and no uniform message in Log.txt.
#include "DemoRun.h"
#include "TestPaths.h"
#include "TrackFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace testing_support;

constexpr double kRunTimeout = 120.0;

void showEverything(const DemoDir& dir)
{
    std::string sync = dir.file("res/sync/");
    for (const char* name : {"Grid.Visible", "Cube.Visible", "Flakes.Visible", "Needles.Visible", "Flakes.Fade",
                             "Needles.Fade", "Ring1.Progress", "Ring2.Progress", "FX.EnableBloom", "FX.Fade",
                             "FX.BloomDry", "FX.Exposure", "Camera.Mode"}) {
        writeConstantTrack(sync, name, 1.0f);
    }
    writeConstantTrack(sync, "Camera.Distance", 80.0f);
    writeConstantTrack(sync, "Camera.Pitch", 30.0f);
    writeConstantTrack(sync, "Cube.Scale", 7.0f);
    writeConstantTrack(sync, "Grid.NoiseMagnitude", 5.0f);
    writeConstantTrack(sync, "Grid.Noise1", 1.0f);
    writeTrackFile(sync, "Flakes.Time", {TrackKey{0, 0.0f, Linear}, TrackKey{64, 4.0f, Step}});
    writeTrackFile(sync, "Needles.Time", {TrackKey{0, 0.0f, Linear}, TrackKey{64, 3.0f, Step}});
}

int countContaining(const std::vector<std::string>& lines, const std::string& text)
{
    int count = 0;
    for (const std::string& line : lines) {
        count += line.find(text) != std::string::npos ? 1 : 0;
    }
    return count;
}

std::string joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines) {
        text += "\n  " + line;
    }
    return text;
}

TEST(SceneRun, PlaysThroughWithEveryObjectAndLogsNoGlOrUniformTrouble)
{
    DemoDir dir;
    showEverything(dir);
    ProcessResult result = runDemo(dir, kRunTimeout);
    ASSERT_FALSE(result.timedOut) << result.output;
    ASSERT_TRUE(result.exited) << "signal " << result.signal << "\n" << result.output;
    EXPECT_EQ(result.exitCode, 0);

    std::vector<std::string> log = dir.logLines();
    EXPECT_EQ(countContaining(log, "Starting playback!"), 1) << joined(log);
    EXPECT_EQ(countContaining(log, "Shut down Scene"), 1) << joined(log);
    EXPECT_EQ(countContaining(log, "Shutting down window"), 1) << joined(log);
    EXPECT_EQ(countContaining(log, "OpenGL Error"), 0) << joined(log);
    EXPECT_EQ(countContaining(log, "niform"), 0) << joined(log);
    EXPECT_EQ(countContaining(log, "Failed"), 0) << joined(log);
}

// The same run with a grid shader that drops one uniform: the message shows on
// every drawn frame, so the clean run above really drew objects.
TEST(SceneRun, AShaderMissingAUniformIsReportedOnEveryFrame)
{
    DemoDir dir;
    showEverything(dir);
    std::string gridShader = readFile(dir.file("res/shaders/WireframeGrid.vert"));
    size_t use = gridShader.find("+ uNoiseScroll");
    ASSERT_NE(use, std::string::npos);
    gridShader.erase(use, std::string("+ uNoiseScroll").size());
    writeFile(dir.file("res/shaders/WireframeGrid.vert"), gridShader);

    ProcessResult result = runDemo(dir, kRunTimeout);
    ASSERT_FALSE(result.timedOut) << result.output;
    EXPECT_EQ(result.exitCode, 0);
    std::vector<std::string> log = dir.logLines();
    int reports = countContaining(log, "Got Invalid Uniform Location For Uniform 'uNoiseScroll'");
    EXPECT_GE(reports, 3) << joined(log);
    EXPECT_EQ(countContaining(log, "niform"), reports) << joined(log);
    EXPECT_EQ(countContaining(log, "OpenGL Error"), 0) << joined(log);
}

}
