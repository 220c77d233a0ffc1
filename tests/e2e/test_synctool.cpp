#include "timeline/TrackStore.h"

#include "TestPaths.h"
#include "TrackFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>
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

float floatFromBits(uint32_t bits)
{
    float value;
    std::memcpy(&value, &bits, 4);
    return value;
}

std::vector<std::string> splitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

class SynctoolTest : public ::testing::Test {
protected:
    void SetUp() override { dir = makeTempDir("morlenth-synctool"); }
    void TearDown() override { removeTree(dir); }

    // dump, then build the dump into a second folder: the bytes must come back unchanged.
    void expectRoundTrip(const std::string& name)
    {
        std::string original = dir + "/tracks/_" + name + ".track";
        ProcessResult dump = synctool({"dump", original}, dir);
        ASSERT_TRUE(dump.exited && dump.exitCode == 0) << dump.output;
        writeFile(dir + "/dumped.timeline", dump.output);
        ProcessResult build = synctool({"build", "dumped.timeline", "again"}, dir);
        ASSERT_TRUE(build.exited && build.exitCode == 0) << build.output << "\n" << dump.output;
        EXPECT_EQ(readFile(dir + "/again/_" + name + ".track"), readFile(original)) << dump.output;
    }

    std::string dir;
};

TEST_F(SynctoolTest, DumpThenBuildGivesTheSameBytes)
{
    // Values whose text form is easy to get wrong: tiny, huge, signed zero, NaN payloads.
    const uint32_t valueBits[] = {0x00000000, 0x80000000, 0x3dcccccd, 0x322bcc77, 0x7f7fffff, 0x00000001,
                                  0x007fffff, 0x7f800000, 0xff800000, 0x7fc00000, 0x7fc00001, 0xffc00000,
                                  0x7f800001, 0xbf800000, 0x3eaaaaab, 0x4b7fffff, 0xcb800001};
    std::vector<TrackKey> keys;
    int32_t row = -1000000;
    int type = 0;
    for (uint32_t bits : valueBits) {
        keys.push_back({row, floatFromBits(bits), type});
        row += 977;
        type = (type + 1) % 4;
    }
    keys.push_back({2147483647, 1.0f, Smooth});
    writeTrackFile(dir + "/tracks", "Camera.Distance", keys);
    writeTrackFile(dir + "/tracks", "FX.Empty", {});
    writeTrackFile(dir + "/tracks", "Cube.Z", {{0, 0.0f, Linear}, {64, 35.0f, Ramp}, {127, -2.5f, Step}});
    for (const char* name : {"Camera.Distance", "FX.Empty", "Cube.Z"}) {
        SCOPED_TRACE(name);
        expectRoundTrip(name);
    }
}

TEST_F(SynctoolTest, BuildPlacesMusicalPositionsAndConstants)
{
    writeFile(dir + "/show.timeline",
              "# bars and beats count from 0; 16 rows per beat, 4 beats per bar\n"
              "@verse = 2\n"
              "@chorus = @verse+6   # bar 8\n"
              "\n"
              "track Ring1.Progress\n"
              "    0            0     linear\n"
              "    1:1          0.25  smooth\n"
              "    @verse:1:3   0.5   ramp\n"
              "    @chorus-1:3:15 0.75 step\r\n"
              "    @chorus:0:0  1     step\n"
              "track ring1.progress\n"
              "    -5  2  linear\n");
    ProcessResult build = synctool({"build", "show.timeline", "out"}, dir);
    ASSERT_TRUE(build.exited && build.exitCode == 0) << build.output;

    TrackStore* store = createTrackStore((dir + "/out/").c_str());
    Track* upper = getTrack(store, "Ring1.Progress");
    Track* lower = getTrack(store, "ring1.progress");
    const int32_t rows[] = {0, 64 + 16, 2 * 64 + 16 + 3, 7 * 64 + 3 * 16 + 15, 8 * 64};
    const int32_t types[] = {Linear, Smooth, Ramp, Step, Step};
    ASSERT_EQ(upper->keyCount, 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(upper->keys[i].row, rows[i]) << "key " << i;
        EXPECT_EQ(upper->keys[i].value, 0.25f * static_cast<float>(i)) << "key " << i;
        EXPECT_EQ(upper->keys[i].interpolation, types[i]) << "key " << i;
    }
    ASSERT_EQ(lower->keyCount, 1);
    EXPECT_EQ(lower->keys[0].row, -5);
    destroyTrackStore(store);
}

TEST_F(SynctoolTest, EvalGivesTheInterpolatedValuesWorkedOutByHand)
{
    writeTrackFile(dir, "FX.Flash", {{-8, 3.0f, Ramp}, {0, 0.1f, Linear}, {13, 0.9f, Smooth},
                                     {41, -7.25f, Ramp}, {50, 2.0f, 4}, {60, 1.0f, Step}});
    // Out of order on disk: the key at row 4 is dropped, as the demo's loader does.
    writeFile(dir + "/_Damaged.track", le32(3) + keyBytes(0, 1, Linear) + keyBytes(10, 5, Linear) +
                                           keyBytes(4, 9, Step));
    const struct {
        const char* track;
        std::vector<std::pair<double, double>> rowsAndValues;
    } cases[] = {
        {"FX.Flash",
         {{-10.0, 3.0},        // before the first key
          {-4.0, 2.275},       // ramp: 3 + (1/2)^2 x (0.1 - 3)
          {6.5, 0.5},          // linear halfway from 0.1 to 0.9
          {12.75, 0.884615},   // linear: 0.1 + 12.75 / 13 x 0.8
          {27.0, -3.175},      // smooth halfway from 0.9 to -7.25
          {34.0, -5.9765625}, // smooth at 3/4: 0.9 + 27/32 x -8.15
          {45.5, -4.9375},     // ramp: -7.25 + (1/2)^2 x 9.25
          {55.0, 0.0},         // an unknown interpolation reads 0
          {60.0, 1.0},         // the last key, and everything after it
          {1000.0, 1.0}}},
        {"Damaged", {{-1.0, 1.0}, {4.0, 2.6}, {9.5, 4.8}, {12.0, 5.0}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.track);
        std::vector<std::string> args = {"eval", std::string("_") + c.track + ".track"};
        for (const auto& rowAndValue : c.rowsAndValues) {
            args.push_back(std::to_string(rowAndValue.first));
        }
        ProcessResult eval = synctool(args, dir);
        ASSERT_TRUE(eval.exited && eval.exitCode == 0) << eval.output;
        std::istringstream lines(eval.output);
        for (const auto& rowAndValue : c.rowsAndValues) {
            double value = 0.0;
            ASSERT_TRUE(lines >> value) << eval.output;
            EXPECT_NEAR(value, rowAndValue.second, 1e-5) << "row " << rowAndValue.first;
        }
    }
}

struct CheckCase {
    const char* name;
    std::string bytes;
    std::vector<std::string> problems;
};

TEST_F(SynctoolTest, CheckListsEveryProblem)
{
    std::string good = keyBytes(0, 1, Linear) + keyBytes(8, 2, Step);
    const CheckCase cases[] = {
        {"Clean", le32(2) + good, {}},
        {"Unsorted", le32(3) + good + keyBytes(4, 3, Step), {"key 2: row 4 is out of order"}},
        {"Duplicate", le32(3) + good + keyBytes(8, 3, Step), {"key 2: row 8 duplicates the row of key 1"}},
        {"Types", le32(3) + keyBytes(0, 1, 4) + keyBytes(4, 1, Ramp) + keyBytes(8, 1, 200),
         {"key 0: unknown interpolation type 4", "key 2: unknown interpolation type -56"}},
        {"Short", le32(5) + good + "abc", {"count 5 does not match the size"}},
        {"Trailing", le32(2) + good + "xyz", {"3 trailing bytes"}},
        {"Negative", le32(-2) + good, {"negative key count -2"}},
        {"Tiny", "ab", {"too short for the key count"}},
        {"Several", le32(4) + keyBytes(5, 1, 9) + keyBytes(5, 1, Step) + keyBytes(1, 1, Step),
         {"count 4 does not match the size", "key 0: unknown interpolation type 9", "key 1: row 5 duplicates",
          "key 2: row 1 is out of order"}},
    };
    for (const CheckCase& c : cases) {
        removeTree(dir + "/sync");
        writeFile(dir + "/sync/_" + c.name + ".track", c.bytes);
        ProcessResult check = synctool({"check", "sync"}, dir);
        ASSERT_TRUE(check.exited) << c.name;
        EXPECT_EQ(check.exitCode, c.problems.empty() ? 0 : 1) << c.name << "\n" << check.output;
        std::vector<std::string> lines = splitLines(check.output);
        // One line per problem, then the summary.
        ASSERT_EQ(lines.size(), c.problems.size() + 1) << c.name << "\n" << check.output;
        for (size_t i = 0; i < c.problems.size(); ++i) {
            std::string prefix = "sync/_" + std::string(c.name) + ".track: ";
            EXPECT_EQ(lines[i].compare(0, prefix.size(), prefix), 0) << lines[i];
            EXPECT_NE(lines[i].find(c.problems[i]), std::string::npos) << c.name << ": " << lines[i];
        }
    }
}

TEST_F(SynctoolTest, CheckCoversEveryFileOfTheFolder)
{
    writeTrackFile(dir + "/sync", "A", {{0, 1.0f, Step}});
    writeFile(dir + "/sync/_B.track", le32(1) + keyBytes(0, 1, 7));
    writeFile(dir + "/sync/_C.track", le32(2) + keyBytes(3, 1, Step) + keyBytes(3, 2, Step));
    writeFile(dir + "/sync/notes.txt", "not a track");
    ProcessResult check = synctool({"check", "sync"}, dir);
    ASSERT_TRUE(check.exited);
    EXPECT_EQ(check.exitCode, 1);
    EXPECT_NE(check.output.find("sync/_B.track: key 0: unknown interpolation type 7"), std::string::npos);
    EXPECT_NE(check.output.find("sync/_C.track: key 1: row 3 duplicates"), std::string::npos);
    EXPECT_NE(check.output.find("checked 3 track files: 2 problems"), std::string::npos) << check.output;
}

}
