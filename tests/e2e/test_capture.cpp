// The capture tool in a working folder laid out like the repository: frame
// counts, exact frame times, identical frames from identical inputs, and the
// video path through ffmpeg where it is installed.
#include "DemoRun.h"
#include "TestPaths.h"
#include "TrackFiles.h"

#include <gtest/gtest.h>
#include <stb_image.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

constexpr double kCaptureTimeout = 120.0;
// A moment of the first main part: cubes, rings, swarm and floor are all on screen.
constexpr const char* kRangeStart = "36";
constexpr const char* kRangeEnd = "36.25";
constexpr const char* kFps = "16";
constexpr int kRangeFrames = 4;  // 0.25 s at 16 frames a second
constexpr const char* kStillOfThirdFrame = "36.125";
constexpr int kWidth = 64;
constexpr int kHeight = 36;
constexpr const char* kSize = "64x36";

ProcessResult capture(const DemoDir& dir, std::vector<std::string> args, const std::vector<std::string>& env = {})
{
    args.insert(args.begin(), binDir() + "/capture");
    std::vector<std::string> fullEnv = {"SDL_AUDIODRIVER=dummy"};
    fullEnv.insert(fullEnv.end(), env.begin(), env.end());
    return runProcess(args, dir.path, fullEnv, kCaptureTimeout);
}

std::vector<std::string> rangeArgs(const std::string& out)
{
    return {"--start", kRangeStart, "--end", kRangeEnd, "--fps", kFps, "--size", kSize, "--msaa", "0", "--out", out};
}

std::vector<std::string> filesIn(const std::string& dir)
{
    std::vector<std::string> names;
    if (fs::is_directory(dir)) {
        for (const fs::directory_entry& entry : fs::directory_iterator(dir)) {
            names.push_back(entry.path().filename().string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> frameNames(int count)
{
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "frame_%06d.png", i);
        names.push_back(name);
    }
    return names;
}

struct Picture {
    int width = 0;
    int height = 0;
    int channels = 0;
    std::vector<unsigned char> pixels;
};

Picture decode(const std::string& path)
{
    Picture picture;
    std::string bytes = readFile(path);
    unsigned char* data = stbi_load_from_memory(reinterpret_cast<const unsigned char*>(bytes.data()),
                                                static_cast<int>(bytes.size()), &picture.width, &picture.height,
                                                &picture.channels, 0);
    if (data != nullptr) {
        picture.pixels.assign(data, data + static_cast<size_t>(picture.width) * picture.height * picture.channels);
        stbi_image_free(data);
    }
    return picture;
}

// Where the shell finds a program; empty when it is not installed.
std::string commandPath(const char* name)
{
    std::string path;
    FILE* shell = popen((std::string("command -v ") + name + " 2>/dev/null").c_str(), "r");
    if (shell == nullptr) {
        return path;
    }
    char buffer[4096];
    if (std::fgets(buffer, sizeof buffer, shell) != nullptr) {
        path = buffer;
        path.erase(path.find_last_not_of("\r\n") + 1);
    }
    pclose(shell);
    return path;
}

TEST(Capture, ARangeGivesOneFramePerStepAndTheSameBytesEveryRun)
{
    DemoDir dir;
    ProcessResult first = capture(dir, rangeArgs("first"));
    ASSERT_EQ(first.exitCode, 0) << first.output;
    ProcessResult second = capture(dir, rangeArgs("second"));
    ASSERT_EQ(second.exitCode, 0) << second.output;

    EXPECT_EQ(filesIn(dir.file("first")), frameNames(kRangeFrames));
    EXPECT_EQ(filesIn(dir.file("second")), frameNames(kRangeFrames));
    for (const std::string& name : frameNames(kRangeFrames)) {
        EXPECT_EQ(readFile(dir.file("first/" + name)), readFile(dir.file("second/" + name))) << name;
        Picture picture = decode(dir.file("first/" + name));
        EXPECT_EQ(picture.width, kWidth) << name;
        EXPECT_EQ(picture.height, kHeight) << name;
        EXPECT_EQ(picture.channels, 3) << name;
        auto range = std::minmax_element(picture.pixels.begin(), picture.pixels.end());
        EXPECT_GT(*range.second - *range.first, 64) << name << " shows nothing";
    }
    // Consecutive frames differ: the cubes circle with the music time.
    EXPECT_NE(readFile(dir.file("first/frame_000000.png")), readFile(dir.file("first/frame_000001.png")));
    EXPECT_NE(first.output.find("4/4 frames"), std::string::npos) << first.output;
    EXPECT_NE(first.output.find("fps"), std::string::npos) << first.output;
    EXPECT_NE(first.output.find("left"), std::string::npos) << first.output;
}

// A frame's row comes from its own time, so a still at the third frame's time
// is that frame, byte for byte.
TEST(Capture, AStillIsTheFrameOfARangeAtTheSameTime)
{
    DemoDir dir;
    ASSERT_EQ(capture(dir, rangeArgs("range")).exitCode, 0);
    ProcessResult still = capture(
        dir, {"--still", kStillOfThirdFrame, "--size", kSize, "--msaa", "0", "--out", "still"});
    ASSERT_EQ(still.exitCode, 0) << still.output;
    EXPECT_EQ(filesIn(dir.file("still")), frameNames(1));
    EXPECT_EQ(readFile(dir.file("still/frame_000000.png")), readFile(dir.file("range/frame_000002.png")));
}

// The loader keeps a track file's ascending run of keys and drops every key on or
// before a kept row, so an unsorted file reads as its first key alone here, not
// as its keys put in order.
TEST(Capture, AnUnsortedTrackFileReadsAsItsAscendingRunOfKeys)
{
    constexpr int kStep = 0;
    const char* track = "res/sync/_FX.Exposure.track";
    const std::vector<std::string> still = {"--still", kStillOfThirdFrame, "--size", kSize, "--msaa", "0", "--out"};
    auto stillWith = [&](const DemoDir& dir, const std::string& trackBytes, const std::string& out) {
        writeFile(dir.file(track), trackBytes);
        std::vector<std::string> args = still;
        args.push_back(out);
        ProcessResult result = capture(dir, args);
        EXPECT_EQ(result.exitCode, 0) << result.output;
        return readFile(dir.file(out + "/frame_000000.png"));
    };
    DemoDir dir;
    const std::string unsorted = stillWith(
        dir, le32(3) + keyBytes(2000, 2.0f, kStep) + keyBytes(0, -3.0f, kStep) + keyBytes(1000, -3.0f, kStep),
        "unsorted");
    const std::string firstKeyOnly = stillWith(dir, le32(1) + keyBytes(2000, 2.0f, kStep), "first");
    const std::string putInOrder = stillWith(dir, le32(1) + keyBytes(0, -3.0f, kStep), "ordered");
    ASSERT_FALSE(unsorted.empty());
    EXPECT_EQ(unsorted, firstKeyOnly);
    EXPECT_NE(unsorted, putInOrder);
}

TEST(Capture, FramesOfAnEarlierLongerCaptureDoNotSurvive)
{
    DemoDir dir;
    fs::create_directories(dir.file("frames"));
    writeFile(dir.file("frames/frame_000009.png"), "stale");
    writeFile(dir.file("frames/notes.txt"), "mine");
    ASSERT_EQ(capture(dir, rangeArgs("frames")).exitCode, 0);
    std::vector<std::string> expected = frameNames(kRangeFrames);
    expected.push_back("notes.txt");
    EXPECT_EQ(filesIn(dir.file("frames")), expected);
}

struct BadCommandLine {
    const char* what;
    std::vector<std::string> args;
};

TEST(Capture, BadCommandLinesFailWithTheUsageAndWriteNothing)
{
    const BadCommandLine cases[] = {
        {"zero fps", {"--fps", "0", "--out", "out"}},
        {"fractional fps", {"--fps", "2.5", "--out", "out"}},
        {"empty size", {"--size", "0x36", "--out", "out"}},
        {"size without height", {"--size", "64", "--out", "out"}},
        {"negative msaa", {"--msaa", "-1", "--out", "out"}},
        {"negative start", {"--start", "-1", "--out", "out"}},
        {"end before start", {"--start", "10", "--end", "5", "--out", "out"}},
        {"odd video size", {"--size", "65x36", "--end", "1", "--out", "out/v.mp4"}},
        {"unknown option", {"--speed", "2", "--out", "out"}},
        {"missing value", {"--out"}},
    };
    DemoDir dir;
    for (const BadCommandLine& bad : cases) {
        ProcessResult result = capture(dir, bad.args);
        EXPECT_EQ(result.exitCode, 2) << bad.what << "\n" << result.output;
        EXPECT_NE(result.output.find("capture: "), std::string::npos) << bad.what << "\n" << result.output;
        EXPECT_FALSE(fs::exists(dir.file("out"))) << bad.what;
    }
    ProcessResult help = capture(dir, {"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.output.find("usage: capture"), std::string::npos) << help.output;
}

TEST(Capture, AVideoWithoutFfmpegFailsWithAMessage)
{
    DemoDir dir;
    ProcessResult result = capture(dir, {"--start", "36", "--end", "36.1", "--size", kSize, "--out", "v.mp4"},
                                   {"PATH=" + dir.path});
    EXPECT_EQ(result.exitCode, 1) << result.output;
    EXPECT_NE(result.output.find("needs ffmpeg"), std::string::npos) << result.output;
    EXPECT_FALSE(fs::exists(dir.file("v.mp4")));
}

TEST(Capture, AVideoIsH264InYuv420WithTheMusicMuxedIn)
{
    std::string ffprobe = commandPath("ffprobe");
    if (commandPath("ffmpeg").empty() || ffprobe.empty()) {
        GTEST_SKIP() << "ffmpeg is not installed (make capture installs it)";
    }
    DemoDir dir;
    // The working folder's music is a two-second clip: one second from its middle.
    ProcessResult result = capture(dir, {"--start", "0.5", "--end", "1.5", "--fps", "10", "--size", kSize, "--msaa",
                                         "0", "--out", "video/demo.mp4"});
    ASSERT_EQ(result.exitCode, 0) << result.output;
    ProcessResult probe = runProcess({ffprobe, "-v", "error", "-count_frames", "-show_entries",
                                      "stream=codec_type,codec_name,pix_fmt,width,height,nb_read_frames", "-of",
                                      "compact", dir.file("video/demo.mp4")},
                                     dir.path, {}, kCaptureTimeout);
    ASSERT_EQ(probe.exitCode, 0) << probe.output;
    EXPECT_NE(probe.output.find("codec_name=h264|codec_type=video|width=64|height=36|pix_fmt=yuv420p"),
              std::string::npos)
        << probe.output;
    EXPECT_NE(probe.output.find("nb_read_frames=10"), std::string::npos) << probe.output;
    EXPECT_NE(probe.output.find("codec_type=audio"), std::string::npos) << probe.output;
}

}
