#include "TestPaths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

constexpr double kTimeoutSeconds = 30.0;

ProcessResult synctool(const std::vector<std::string>& args, const std::string& cwd)
{
    std::vector<std::string> argv = {binDir() + "/synctool"};
    argv.insert(argv.end(), args.begin(), args.end());
    return runProcess(argv, cwd, {}, kTimeoutSeconds);
}

struct BadText {
    std::string text;
    int line;
    const char* problem;
};

const char* const kHeader = "@intro = 0\ntrack FX.Fade\n";

// Each text is broken on one line; kHeader supplies lines 1 and 2.
const BadText kBadTexts[] = {
    {"0 1 bounce\n", 3, "unknown interpolation 'bounce'"},
    {"0 1 linear\n0:4:0 1 step\n", 4, "beat '4'"},
    {"0:0:16 1 step\n", 3, "row '16'"},
    {"0:-1 1 step\n", 3, "beat '-1'"},
    {"8 1 step\n4 2 step\n", 4, "row 4 (0:0:4) is not after the previous key's row 8"},
    {"0:1 1 step\n16 2 step\n", 4, "row 16 (0:1:0) is not after"},
    {"0 one step\n", 3, "'one' is not a number"},
    {"0 1e39 step\n", 3, "beyond the range of a float"},
    {"0 nan:3f800000 step\n", 3, "is not a NaN"},
    {"0 1\n", 3, "found 2 words"},
    {"x:0:0 1 step\n", 3, "'x' is not a bar number"},
    {"@verse:0:0 1 step\n", 3, "unknown constant @verse"},
    {"@intro++1:0 1 step\n", 3, "@constant+BARS"},
    {"2147483647:0:0 1 step\n", 3, "beyond the rows a track can hold"},
    {"2147483648 1 step\n", 3, "beyond the rows a track can hold"},
    {"1:2:3:4 1 step\n", 3, "is not BAR:BEAT:ROW"},
    {"@intro = 4\n", 3, "@intro is already defined on line 1"},
    {"@ = 4\n", 3, "a constant is written"},
    {"track FX.Fade\n", 3, "track 'FX.Fade' is already defined on line 2"},
    {"track FX/Fade\n", 3, "may hold only letters"},
    {"track\n", 3, "a track header is 'track NAME'"},
    {"track " + std::string(244, 'N') + "\n", 3, "at most 243"},
};

TEST(SynctoolBuild, RejectsBadTextWithItsLine)
{
    std::string dir = makeTempDir("morlenth-synctool-errors");
    for (const BadText& bad : kBadTexts) {
        writeFile(dir + "/bad.timeline", kHeader + bad.text);
        ProcessResult build = synctool({"build", "bad.timeline", "out"}, dir);
        ASSERT_TRUE(build.exited) << bad.text;
        EXPECT_EQ(build.exitCode, 1) << bad.text;
        std::string expected = "bad.timeline:" + std::to_string(bad.line) + ": error: ";
        size_t at = build.output.find(expected);
        ASSERT_NE(at, std::string::npos) << bad.text << "\n" << build.output;
        EXPECT_NE(build.output.find(bad.problem, at), std::string::npos) << bad.text << "\n" << build.output;
        // A text with any error writes no track at all.
        EXPECT_FALSE(std::filesystem::exists(dir + "/out")) << bad.text;
    }
    removeTree(dir);
}

TEST(SynctoolBuild, ReportsEveryErrorAndKeysOutsideATrack)
{
    std::string dir = makeTempDir("morlenth-synctool-errors");
    writeFile(dir + "/bad.timeline", "0 1 step   # before any track\n"
                                     "track Cube.Z\n"
                                     "0 1 wobble\n"
                                     "# a comment\n"
                                     "\n"
                                     "1:9 1 step\n");
    ProcessResult build = synctool({"build", "bad.timeline", "out"}, dir);
    ASSERT_TRUE(build.exited);
    EXPECT_EQ(build.exitCode, 1);
    EXPECT_NE(build.output.find("bad.timeline:1: error: a key needs a 'track NAME' line"), std::string::npos)
        << build.output;
    EXPECT_NE(build.output.find("bad.timeline:3: error: unknown interpolation 'wobble'"), std::string::npos);
    EXPECT_NE(build.output.find("bad.timeline:6: error: beat '9'"), std::string::npos);
    removeTree(dir);
}

TEST(SynctoolBuild, UsageAndMissingFiles)
{
    std::string dir = makeTempDir("morlenth-synctool-errors");
    const std::vector<std::vector<std::string>> usages = {{}, {"build", "only-one"}, {"eval", "_X.track"}, {"frobnicate"}};
    for (const std::vector<std::string>& args : usages) {
        ProcessResult run = synctool(args, dir);
        EXPECT_TRUE(run.exited);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_NE(run.output.find("usage: synctool"), std::string::npos);
    }
    ProcessResult missing = synctool({"build", "nowhere.timeline", "out"}, dir);
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.output.find("cannot read nowhere.timeline"), std::string::npos);
    ProcessResult eval = synctool({"eval", "_Nothing.track", "1"}, dir);
    EXPECT_EQ(eval.exitCode, 1);
    removeTree(dir);
}

}
