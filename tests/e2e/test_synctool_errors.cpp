#include "TestPaths.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
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

namespace {

namespace fs = std::filesystem;

struct BadSource {
    const char* name;
    void (*make)(const std::string& path);
    int exitCode;
    const char* message;
    size_t trackFiles;
};

std::string longLineText()
{
    return "track A\n0 " + std::string(1 << 20, '7') + " step\n";
}

const BadSource kBadSources[] = {
    {"missing", [](const std::string&) {}, 1, "cannot read bad.timeline: No such file or directory", 0},
    {"a folder", [](const std::string& path) { fs::create_directories(path); }, 1,
     "cannot read bad.timeline: is a folder", 0},
    {"empty", [](const std::string& path) { writeFile(path, ""); }, 0, "wrote 0 track files", 0},
    {"binary garbage",
     [](const std::string& path) {
         std::string bytes;
         for (int i = 0; i < 65536; ++i) {
             bytes.push_back(static_cast<char>((i * 7919) >> 3));
         }
         writeFile(path, bytes);
     },
     1, "too many errors; the rest of the text is not read", 0},
    {"100 MB",
     [](const std::string& path) {
         writeFile(path, "");
         fs::resize_file(path, 100u << 20);
     },
     1, "cannot read bad.timeline: is 104857600 bytes long", 0},
    {"a line of 1 MB", [](const std::string& path) { writeFile(path, longLineText()); }, 1,
     "bad.timeline:2: error: '777777", 0},
    {"a name of 243 characters",
     [](const std::string& path) { writeFile(path, "track " + std::string(243, 'N') + "\n0 1 step\n"); }, 0,
     "wrote 1 track files", 1},
    {"nan and infinities", [](const std::string& path) { writeFile(path, "track A\n0 nan step\n1 inf step\n2 -inf step\n"); },
     0, "wrote 1 track files", 1},
};

// A source file that cannot be compiled says why in one line, never crashes and never
// leaves a track behind; the output stays short whatever the file holds.
TEST(SynctoolBuild, BadSourceFiles)
{
    for (const BadSource& bad : kBadSources) {
        std::string dir = makeTempDir("morlenth-synctool-source");
        bad.make(dir + "/bad.timeline");
        ProcessResult build = synctool({"build", "bad.timeline", "out"}, dir);
        ASSERT_TRUE(build.exited) << bad.name << ": signal " << build.signal;
        EXPECT_EQ(build.exitCode, bad.exitCode) << bad.name << "\n" << build.output.substr(0, 2000);
        EXPECT_NE(build.output.find(bad.message), std::string::npos) << bad.name << "\n" << build.output.substr(0, 2000);
        EXPECT_LT(build.output.size(), 32768u) << bad.name;
        // The files written are the ones the message counts, each under its own name.
        size_t files = 0;
        std::error_code error;
        for (fs::directory_iterator it(dir + "/out", error), end; !error && it != end; it.increment(error)) {
            files += it->path().filename().string().rfind("_", 0) == 0 ? 1 : 0;
        }
        EXPECT_EQ(files, bad.trackFiles) << bad.name;
        removeTree(dir);
    }
}

const char* const kOldText = "track A\n0 1 step\ntrack B\n0 2 step\n";

std::string manyKeysText(int count)
{
    std::string text = "track A\n";
    for (int row = 0; row < count; ++row) {
        text += std::to_string(row) + " 3 linear\n";
    }
    return text + "track B\n0 4 step\n";
}

struct BadOutput {
    const char* name;
    FolderLimit::Kind kind;
    const char* message;
};

// A folder that cannot take the files: synctool says so, every old track stays whole
// and no temporary file is left behind.
TEST(SynctoolBuild, AnOutputThatCannotBeWrittenLeavesTheOldFilesWhole)
{
    const BadOutput outputs[] = {{"read-only", FolderLimit::ReadOnly, "cannot create a file in out: "},
                                 {"full", FolderLimit::Full, "No space left on device"}};
    for (const BadOutput& bad : outputs) {
        std::string dir = makeTempDir("morlenth-synctool-output");
        fs::create_directories(dir + "/out");
        writeFile(dir + "/old.timeline", kOldText);
        writeFile(dir + "/new.timeline", manyKeysText(4000));
        // A read-only folder holds its old files already; a fresh tmpfs is filled after mounting.
        bool readOnly = bad.kind == FolderLimit::ReadOnly;
        ASSERT_TRUE(!readOnly || synctool({"build", "old.timeline", "out"}, dir).exitCode == 0);
        FolderLimit limit(dir + "/out", bad.kind, 16384);
        if (!limit.active) {
            std::printf("skipped the %s folder: %s\n", bad.name, limit.why.c_str());
            removeTree(dir);
            continue;
        }
        ASSERT_TRUE(readOnly || synctool({"build", "old.timeline", "out"}, dir).exitCode == 0);
        std::string oldA = readFile(dir + "/out/_A.track");
        std::string oldB = readFile(dir + "/out/_B.track");
        ProcessResult build = synctool({"build", "new.timeline", "out"}, dir);
        EXPECT_EQ(build.exitCode, 1) << bad.name << "\n" << build.output;
        EXPECT_NE(build.output.find("cannot write out/_A.track"), std::string::npos) << bad.name << "\n" << build.output;
        EXPECT_NE(build.output.find(bad.message), std::string::npos) << bad.name << "\n" << build.output;
        EXPECT_EQ(readFile(dir + "/out/_A.track"), oldA) << bad.name;
        EXPECT_EQ(readFile(dir + "/out/_B.track"), oldB) << bad.name;
        size_t files = 0;
        for (const auto& entry : fs::directory_iterator(dir + "/out")) {
            files += entry.is_regular_file() ? 1 : 0;
        }
        EXPECT_EQ(files, 2u) << bad.name;
        removeTree(dir);
    }
}

// Something else standing where the output goes: synctool says so and fails,
// leaves what stands there as it was and no temporary file beside it. A failed
// rename over a folder must not pass for a written track.
TEST(SynctoolBuild, SomethingInTheWayOfTheOutput)
{
    const struct {
        const char* name;
        std::function<void(const std::string&)> block;
        const char* message;
    } cases[] = {
        {"a file where the folder should be", [](const std::string& out) { writeFile(out, "not a folder"); },
         "cannot make the folder out"},
        {"a folder where a track file should be",
         [](const std::string& out) { fs::create_directories(out + "/_A.track"); },
         "cannot write out/_A.track: Is a directory"},
    };
    for (const auto& c : cases) {
        std::string dir = makeTempDir("morlenth-synctool-output");
        writeFile(dir + "/ok.timeline", kOldText);
        c.block(dir + "/out");
        ProcessResult build = synctool({"build", "ok.timeline", "out"}, dir);
        EXPECT_EQ(build.exitCode, 1) << c.name << "\n" << build.output;
        EXPECT_NE(build.output.find(c.message), std::string::npos) << c.name << "\n" << build.output;
        if (fs::is_directory(dir + "/out")) {
            EXPECT_TRUE(fs::is_directory(dir + "/out/_A.track")) << c.name;
            for (const auto& entry : fs::directory_iterator(dir + "/out")) {
                EXPECT_EQ(entry.path().filename().string().rfind(".saving", 0), std::string::npos)
                    << c.name << ": " << entry.path();
            }
        } else {
            EXPECT_EQ(readFile(dir + "/out"), "not a folder") << c.name;
        }
        removeTree(dir);
    }
}

}
