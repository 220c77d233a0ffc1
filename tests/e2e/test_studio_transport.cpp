// The transport on the music: a seek lands on its sample, a pause holds the
// music where it is, and a loop wraps back to its start.
#include "StudioRun.h"

#include <gtest/gtest.h>

#include <cmath>
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

// next and previous land on the rows that the events file names, each step from
// where the one before it landed.
TEST(StudioTransport, NextAndPreviousLandOnTheScoresEvents)
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
    StudioDir dir;
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
}

}
