#pragma once

#include "DemoRun.h"

#include <cstdint>
#include <string>
#include <vector>

// Runs the studio in a temporary working folder laid out like the repository,
// driven by a script, and reads back the frames its script saved.
namespace testing_support {

constexpr const char* kStudioConfig =
    "ViewportWidth = 320;\nViewportHeight = 180;\nMSAA = 4;\nFullscreen = false;\n";
constexpr int kStudioWidth = 320;
constexpr int kStudioHeight = 180;
constexpr double kSecondsPerBar = 4.0 * 60.0 / 110.0;

// The whole music: the studio seeks far past the end of the clip the demo runs use.
struct StudioDir : DemoDir {
    StudioDir();
};

// A change to a file of the working folder while the studio runs: once `waitFor`
// exists (a frame the script saved), `path` gets `text`, or is removed, or becomes a folder.
struct FileEdit {
    enum Kind { Write, Remove, MakeFolder };
    std::string waitFor;
    std::string path;
    std::string text;
    Kind kind = Write;
};

ProcessResult runStudio(const StudioDir& dir, const std::string& script, const std::vector<std::string>& args = {},
                        const std::vector<FileEdit>& edits = {});

// The frame capture --still renders at the start of the bar, at the studio's window size,
// from the track files in the folder's res/sync; saved as still/frame_000000.png.
ProcessResult captureStill(const StudioDir& dir, int bar);

struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;  // RGB, rows top to bottom
};

RgbImage readRgbPng(const std::string& path);
// The mean absolute difference of two images of one size, per channel, in 8-bit steps;
// negative when the sizes differ or an image is missing.
double meanDifference(const RgbImage& a, const RgbImage& b);
double meanValue(const RgbImage& image);

// The text after "music " on the output line that reports the script command.
double musicSecondsAfter(const std::string& output, const std::string& command);

}
