// The transport on the music: a seek lands on its sample, a pause holds the
// music where it is, a loop wraps back to its start, and the jumps to the score's
// events land on them as the music's lanes show them.
#include "StudioRun.h"
#include "TestPaths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace testing_support;

constexpr double kSampleRate = 44100.0;
constexpr double kOneSample = 1.0 / kSampleRate;
constexpr double kRowsPerSecond = 16.0 * 110.0 / 60.0;

TEST(StudioTransport, ASeekLandsOnItsSampleAndAPauseHoldsTheMusic)
{
    StudioDir dir;
    ProcessResult run = runStudio(dir, "seek 11\nseek 20\nwait 0.5\npause\nwait 2\nplay\nwait 0.5\n");
    ASSERT_EQ(run.exitCode, 0) << run.output;

    // Bar 11 starts 24 s in, on sample 1,058,400 exactly; the report prints microseconds.
    EXPECT_NEAR(musicSecondsAfter(run.output, "seek 11"), 24.0, 1e-6) << run.output;
    double barStart = 20 * kSecondsPerBar;
    double sought = musicSecondsAfter(run.output, "seek 20");
    EXPECT_NEAR(sought, std::floor(barStart * kSampleRate) / kSampleRate, 1e-6) << run.output;
    double paused = musicSecondsAfter(run.output, "pause");
    double held = musicSecondsAfter(run.output, "wait 2");
    EXPECT_GT(paused, barStart + 0.2) << "the music did not play after the seek\n" << run.output;
    EXPECT_NEAR(held, paused, kOneSample) << "the music drifted while paused\n" << run.output;
    EXPECT_NEAR(musicSecondsAfter(run.output, "play"), paused, kOneSample) << run.output;
}

// Within the piece, and in its last section, where the loop's end is the end of the music.
TEST(StudioTransport, ALoopWrapsToItsStart)
{
    StudioDir dir;
    ProcessResult run = runStudio(dir, "seek 20:3\nwait 1.5\nkey L\nseek 71:3\nkey L\nwait 2\n", {"--loop", "20:21"});
    ASSERT_EQ(run.exitCode, 0) << run.output;

    EXPECT_NE(run.output.find("loop: back to 20:0:00"), std::string::npos) << run.output;
    double after = musicSecondsAfter(run.output, "wait 1.5");
    EXPECT_GE(after, 20 * kSecondsPerBar) << run.output;
    EXPECT_LT(after, 21 * kSecondsPerBar) << run.output;

    EXPECT_NE(run.output.find("loop: back to 68:0:00"), std::string::npos) << run.output;
    after = musicSecondsAfter(run.output, "wait 2");
    EXPECT_GE(after, 68 * kSecondsPerBar) << run.output;
    EXPECT_LT(after, 70 * kSecondsPerBar) << run.output;
}

// The score's events from res/audio/melody.events, read here on their own: rows by lane.
struct ScoreEvent {
    double row;
    std::string lane;
};

std::vector<ScoreEvent> scoreEvents()
{
    std::vector<ScoreEvent> events;
    std::istringstream lines(readFile(sourceDir() + "/res/audio/melody.events"));
    for (std::string line; std::getline(lines, line);) {
        int bar = 0;
        int beat = 0;
        double row = 0.0;
        char lane[32] = {};
        if (line[0] != '#' && std::sscanf(line.c_str(), "%d:%d:%lf %31s", &bar, &beat, &row, lane) == 4) {
            events.push_back({(bar * 4 + beat) * 16.0 + row, lane});
        }
    }
    return events;
}

// The first event of lane after row (direction 1), or the last before it (-1).
double eventFrom(const std::vector<ScoreEvent>& events, const std::string& lane, double row, int direction)
{
    double found = -1.0;
    for (const ScoreEvent& event : events) {
        if (lane != "any" && event.lane != lane) {
            continue;
        }
        if (direction > 0 && event.row > row) {
            return event.row;
        }
        if (direction < 0 && event.row < row) {
            found = event.row;
        }
    }
    return found;
}

// The columns of the chosen lanes' ticks (kick and snare) in a still of the studio: the
// music's lanes are found by their background, which spans them and their labels.
std::vector<int> chosenTickColumns(const RgbImage& image, int& left, int& width)
{
    const uint8_t background[3] = {14, 16, 22};
    const uint8_t chosenTick[3] = {255, 210, 60};
    constexpr int kLabelWidth = 48;
    constexpr int kLaneRowPixels = 100;
    auto is = [&](int x, int y, const uint8_t* rgb) {
        const uint8_t* p = &image.pixels[(static_cast<size_t>(y) * image.width + x) * 3];
        return p[0] == rgb[0] && p[1] == rgb[1] && p[2] == rgb[2];
    };
    int first = image.width;
    int last = -1;
    int top = image.height;
    int bottom = -1;
    for (int y = 0; y < image.height; ++y) {
        int count = 0;
        int rowFirst = image.width;
        int rowLast = -1;
        for (int x = 0; x < image.width; ++x) {
            if (is(x, y, background)) {
                ++count;
                rowFirst = std::min(rowFirst, x);
                rowLast = x;
            }
        }
        if (count > kLaneRowPixels) {
            first = std::min(first, rowFirst);
            last = std::max(last, rowLast);
            top = std::min(top, y);
            bottom = y;
        }
    }
    left = first + kLabelWidth;
    width = last + 1 - left;
    std::vector<int> columns;
    // An event on the last row in view lands on the column just past the lanes.
    for (int x = left; x <= last + 1 && x < image.width; ++x) {
        for (int y = top; y <= bottom; ++y) {
            if (is(x, y, chosenTick)) {
                columns.push_back(x);
                break;
            }
        }
    }
    return columns;
}

bool within(const std::vector<int>& columns, int x, int reach)
{
    for (int column : columns) {
        if (std::abs(column - x) <= reach) {
            return true;
        }
    }
    return false;
}

}

// One run: next and previous land on the rows that the events file names, each step
// from where the one before it landed; then a still at bar 20 shows the kick's and the
// snare's ticks in the pixel columns of their events, 4 bars either side of the playhead.
TEST(StudioTransport, NextAndPreviousLandOnTheScoresEventsAndTheLanesShowThem)
{
    const std::vector<ScoreEvent> events = scoreEvents();
    ASSERT_GT(events.size(), 1000u);
    const struct {
        const char* lane;
        int direction;
    } steps[] = {{"snare", 1}, {"kick", -1}, {"any", 1}, {"risers", 1}, {"crash", -1}};
    std::string script = "seek 16\n";
    for (const auto& step : steps) {
        script += std::string(step.direction > 0 ? "next " : "previous ") + step.lane + "\n";
    }
    constexpr double kStillRow = 20 * 64.0;
    constexpr double kRowsEachSide = 4 * 64.0;
    script += "pause\nseek 20\nshot lanes.png\n";
    StudioDir dir;
    // Room for the curves and the lanes under them.
    writeFile(dir.file("Config.txt"), "ViewportWidth = 1280;\nViewportHeight = 720;\nMSAA = 0;\nFullscreen = false;\n");
    ProcessResult run = runStudio(dir, script);
    ASSERT_EQ(run.exitCode, 0) << run.output;
    double row = 16 * 64.0;
    for (const auto& step : steps) {
        row = eventFrom(events, step.lane, row, step.direction);
        ASSERT_GE(row, 0.0) << step.lane;
        const std::string command = std::string(step.direction > 0 ? "next " : "previous ") + step.lane;
        EXPECT_NEAR(musicSecondsAfter(run.output, command), row / kRowsPerSecond, 1.5 * kOneSample)
            << command << "\n" << run.output;
    }

    const RgbImage still = readRgbPng(dir.file("lanes.png"));
    ASSERT_GT(still.width, 0) << run.output;
    int left = 0;
    int width = 0;
    const std::vector<int> ticks = chosenTickColumns(still, left, width);
    ASSERT_GT(width, 200) << "no lanes in the still";
    std::vector<int> expected;
    for (const ScoreEvent& event : events) {
        if ((event.lane == "kick" || event.lane == "snare") && std::fabs(event.row - kStillRow) <= kRowsEachSide) {
            const double fraction = (event.row - (kStillRow - kRowsEachSide)) / (2.0 * kRowsEachSide);
            expected.push_back(static_cast<int>(std::floor(left + fraction * width)));
        }
    }
    ASSERT_GT(expected.size(), 20u);
    SCOPED_TRACE("lanes from column " + std::to_string(left) + ", " + std::to_string(width) + " wide, " +
                 std::to_string(ticks.size()) + " tick columns");
    for (int x : expected) {
        EXPECT_TRUE(within(ticks, x, 1)) << "no tick near column " << x;
    }
    for (int x : ticks) {
        EXPECT_TRUE(within(expected, x, 1)) << "a tick at column " << x << " where no kick or snare falls";
    }
}
