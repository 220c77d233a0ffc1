#include "audio/DeviceClock.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr int kBuffer = 512;
constexpr uint64_t kTicksPerSecond = 1000000000;

uint64_t ticksForFrames(double frames)
{
    return static_cast<uint64_t>(frames * kTicksPerSecond / kRate);
}

// Feeds the clock callbacks at the given gaps (in buffers; 1.0 is punctual) and
// samples it every `step` ticks in between.
struct Simulation {
    std::vector<double> heard;
    std::vector<int64_t> handedAtSample;
    std::vector<uint64_t> sampleTicks;

    Simulation(const std::vector<double>& gaps, uint64_t step)
    {
        DeviceClock clock;
        clock.reset(kRate, kBuffer, kTicksPerSecond);
        uint64_t callbackTicks = 1000;
        for (double gap : gaps) {
            clock.onCallback(kBuffer, callbackTicks);
            uint64_t next = callbackTicks + ticksForFrames(gap * kBuffer);
            for (uint64_t now = callbackTicks; now < next; now += step) {
                heard.push_back(clock.heardFrame(now));
                handedAtSample.push_back(clock.handedFrames());
                sampleTicks.push_back(now);
            }
            callbackTicks = next;
        }
    }
};

}

TEST(DeviceClock, HearsNothingBeforeTheFirstCallback)
{
    DeviceClock clock;
    clock.reset(kRate, kBuffer, kTicksPerSecond);
    EXPECT_EQ(clock.heardFrame(0), 0.0);
    EXPECT_EQ(clock.heardFrame(kTicksPerSecond), 0.0);
}

TEST(DeviceClock, PunctualCallbacksGiveTheIdealLineOneBufferLate)
{
    // The first buffer starts to sound when the device asks for the second.
    Simulation run(std::vector<double>(40, 1.0), kTicksPerSecond / 997);
    const uint64_t firstHeard = 1000 + ticksForFrames(kBuffer);
    for (size_t i = 0; i < run.heard.size(); ++i) {
        double ideal = 0.0;
        if (run.sampleTicks[i] > firstHeard) {
            ideal = static_cast<double>(run.sampleTicks[i] - firstHeard) * kRate / kTicksPerSecond;
        }
        ASSERT_NEAR(run.heard[i], ideal, 0.01) << "sample " << i;
    }
}

TEST(DeviceClock, NeverGoesBackNorAheadOfTheAudioHandedOver)
{
    struct Case {
        const char* name;
        std::vector<double> gaps;
    };
    const Case cases[] = {
        {"early callbacks", std::vector<double>(30, 0.9)},
        {"late callbacks", std::vector<double>(30, 1.3)},
        {"jittery", {1.0, 0.2, 1.8, 1.0, 0.5, 0.5, 3.0, 0.1, 0.1, 1.0, 1.0, 2.2, 0.7}},
    };
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        Simulation run(testCase.gaps, kTicksPerSecond / 3001);
        for (size_t i = 1; i < run.heard.size(); ++i) {
            ASSERT_GE(run.heard[i], run.heard[i - 1]) << "sample " << i;
        }
        for (size_t i = 0; i < run.heard.size(); ++i) {
            ASSERT_LE(run.heard[i], static_cast<double>(run.handedAtSample[i] - kBuffer)) << "sample " << i;
        }
    }
}

TEST(DeviceClock, MovesBetweenCallbacks)
{
    DeviceClock clock;
    clock.reset(kRate, kBuffer, kTicksPerSecond);
    clock.onCallback(kBuffer, 0);
    clock.onCallback(kBuffer, ticksForFrames(kBuffer));
    const uint64_t start = ticksForFrames(kBuffer);
    double quarter = clock.heardFrame(start + ticksForFrames(kBuffer / 4));
    double half = clock.heardFrame(start + ticksForFrames(kBuffer / 2));
    EXPECT_NEAR(quarter, kBuffer / 4, 0.01);
    EXPECT_NEAR(half, kBuffer / 2, 0.01);
    // A stalled device: the clock waits at the end of what it was given.
    EXPECT_NEAR(clock.heardFrame(start + ticksForFrames(10 * kBuffer)), kBuffer, 0.01);
}
