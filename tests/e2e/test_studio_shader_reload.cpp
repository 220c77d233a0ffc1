// A shader saved with an error keeps the program that drew before and shows the
// driver's log; the fixed shader then draws.
#include "StudioRun.h"

#include <gtest/gtest.h>

namespace {

using namespace testing_support;

// The pass that puts every finished frame on the window.
constexpr const char* kShader = "res/shaders/CopyTex.frag";
constexpr const char* kBrokenShader = "#version 330 core\nout vec4 fragColor;\nvoid main() { fragColor = oops; }\n";
// Red and blue trade places: a valid program that draws a different picture.
constexpr const char* kSwappedShader =
    "#version 330 core\nuniform sampler2D uTexSampler;\nin vec2 vTexCoord;\nout vec4 fragColor;\n"
    "void main() { fragColor = texture(uTexSampler, vTexCoord).bgra; }\n";
constexpr double kMinChange = 2.0;

TEST(StudioShaderReload, ABrokenShaderKeepsTheOldProgramAndAFixBringsTheNewOne)
{
    StudioDir dir;
    std::string path = dir.file(kShader);
    ProcessResult run = runStudio(dir,
                                  "seek 20\npause\noverlay off\nshot first.png\nwait 1\nshot broken.png\n"
                                  "wait 1\nshot fixed.png\n",
                                  {}, {{dir.file("first.png"), path, kBrokenShader},
                                       {dir.file("broken.png"), path, kSwappedShader}});
    ASSERT_EQ(run.exitCode, 0) << run.output;

    EXPECT_NE(run.output.find("Failed to compile fragment shader"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("oops"), std::string::npos) << "the driver's log is missing\n" << run.output;
    EXPECT_NE(run.output.find("keeps its previous program"), std::string::npos) << run.output;
    RgbImage first = readRgbPng(dir.file("first.png"));
    EXPECT_EQ(meanDifference(first, readRgbPng(dir.file("broken.png"))), 0.0);
    EXPECT_GT(meanDifference(first, readRgbPng(dir.file("fixed.png"))), kMinChange) << run.output;
}

}
