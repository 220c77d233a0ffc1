#include "audio/DeviceClock.h"
#include "audio/HeldFrames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr int kBuffer = 512;
constexpr uint64_t kTicksPerSecond = 1000000000;
constexpr double kBufferSeconds = static_cast<double>(kBuffer) / kRate;
// What a silent driver allows a callback to be late.
const int kLateFrames = deviceLateFrames("dummy", PulseServerKind::Unknown, kRate);

uint64_t toTicks(double seconds)
{
    return static_cast<uint64_t>(seconds * kTicksPerSecond);
}

// A device that plays one buffer every `pace` seconds, whose callback thread wakes
// up to `jitter` seconds late. The clock is sampled every `step` seconds.
struct Simulation {
    std::vector<double> times;
    std::vector<double> heard;
    std::vector<int64_t> handed;  // frames handed over when each sample was taken
    std::vector<double> deviceHeard;

    Simulation(double pace, double jitter, double step, double seconds, unsigned seed = 1)
    {
        std::mt19937 generator(seed);
        DeviceClock clock;
        clock.reset(kRate, kBuffer, kLateFrames, kTicksPerSecond);
        double sample = 0.0;
        for (int callback = 0; callback * pace < seconds; ++callback) {
            const double late = jitter * (generator() / 4294967296.0);
            const double at = callback * pace + late;
            for (; sample < at; sample += step) {
                times.push_back(sample);
                heard.push_back(clock.heardFrame(toTicks(sample)));
                handed.push_back(clock.handedFrames());
                // The first buffer sounds once the second is handed over.
                deviceHeard.push_back(std::max(0.0, (sample - pace) / pace * kBuffer));
            }
            clock.onCallback(kBuffer, toTicks(at));
        }
    }

    // The largest distance, in seconds, between the clock and the device's own
    // progress after `settle` seconds, once their mean offset is taken out.
    double worstDeviation(double settle) const
    {
        std::vector<double> offsets;
        for (size_t i = 0; i < times.size(); ++i) {
            if (times[i] >= settle) {
                offsets.push_back((heard[i] - deviceHeard[i]) / kRate);
            }
        }
        double mean = 0.0;
        for (double offset : offsets) {
            mean += offset / offsets.size();
        }
        double worst = 0.0;
        for (double offset : offsets) {
            worst = std::max(worst, std::fabs(offset - mean));
        }
        return worst;
    }
};

}

// The first buffer only fills the device, which a sound server may start playing
// a second or more later: the clock stays put until the device asks for more.
TEST(DeviceClock, HearsNothingUntilTheDeviceAsksForItsSecondBuffer)
{
    constexpr double kServerStart = 1.5;
    DeviceClock clock;
    clock.reset(kRate, kBuffer, kLateFrames, kTicksPerSecond);
    EXPECT_EQ(clock.heardFrame(0), 0.0);
    EXPECT_EQ(clock.heardFrame(kTicksPerSecond), 0.0);
    clock.onCallback(kBuffer, toTicks(kServerStart - 1.0));
    EXPECT_EQ(clock.heardFrame(toTicks(kServerStart - 1.0 + 1.5 * kBufferSeconds)), 0.0);
    EXPECT_EQ(clock.heardFrame(toTicks(kServerStart)), 0.0);
    clock.onCallback(kBuffer, toTicks(kServerStart));
    EXPECT_NEAR(clock.heardFrame(toTicks(kServerStart + kBufferSeconds / 2)), kBuffer / 2, 0.01);
}

TEST(DeviceClock, PunctualCallbacksGiveTheIdealLineOneBufferLate)
{
    Simulation run(kBufferSeconds, 0.0, 0.001003, 0.5);
    for (size_t i = 0; i < run.heard.size(); ++i) {
        ASSERT_NEAR(run.heard[i], run.deviceHeard[i], 0.01) << "at " << run.times[i];
    }
}

TEST(DeviceClock, NeverGoesBackNorAheadOfTheAudioHandedOver)
{
    struct Case {
        const char* name;
        double pace;    // in buffers
        double jitter;  // in buffers
    };
    const Case cases[] = {
        {"early callbacks", 0.9, 0.0},
        {"late callbacks", 1.3, 0.0},
        {"jittery callbacks", 1.0, 0.9},
        {"stalling callbacks", 1.0, 3.0},
    };
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        Simulation run(testCase.pace * kBufferSeconds, testCase.jitter * kBufferSeconds, 0.000333, 3.0);
        for (size_t i = 1; i < run.heard.size(); ++i) {
            ASSERT_GE(run.heard[i], run.heard[i - 1]) << "at " << run.times[i];
        }
        for (size_t i = 0; i < run.heard.size(); ++i) {
            ASSERT_LE(run.heard[i], static_cast<double>(run.handed[i])) << "at " << run.times[i];
        }
    }
}

// The device plays steadily; only the thread that feeds it wakes up irregularly.
// A clock anchored on each wake-up would wander by the jitter itself.
TEST(DeviceClock, FollowsASteadyDeviceThroughCallbackJitter)
{
    struct Case {
        double jitter;
        double tolerance;
    };
    const Case cases[] = {{0.002, 0.0008}, {0.006, 0.002}};
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.jitter);
        Simulation run(kBufferSeconds, testCase.jitter, 1.0 / 60.0, 12.0);
        EXPECT_LT(run.worstDeviation(2.0), testCase.tolerance);
    }
}

// A device that plays a little fast or slow (the silent driver rounds its buffer
// to whole milliseconds): the clock runs at the device's pace, not the nominal one.
TEST(DeviceClock, RunsAtTheDevicesOwnPace)
{
    for (double pace : {0.011, 0.0122}) {
        SCOPED_TRACE(pace);
        Simulation run(pace, 0.0, 0.000777, 8.0);
        EXPECT_LT(run.worstDeviation(3.0), 0.00005);
    }
}

// A device that stops asking (a stalled server, a starved stream) stops the
// clock one buffer past its last anchor, and a few milliseconds for a late
// callback: never further than what it was given.
TEST(DeviceClock, AStalledDeviceStopsTheClockOneBufferOnFromItsLastCallback)
{
    DeviceClock clock;
    clock.reset(kRate, kBuffer, kLateFrames, kTicksPerSecond);
    clock.onCallback(kBuffer, 0);
    clock.onCallback(kBuffer, toTicks(kBufferSeconds));
    const double start = kBufferSeconds;
    EXPECT_NEAR(clock.heardFrame(toTicks(start + kBufferSeconds / 4)), kBuffer / 4, 0.01);
    EXPECT_NEAR(clock.heardFrame(toTicks(start + kBufferSeconds / 2)), kBuffer / 2, 0.01);
    EXPECT_NEAR(clock.heardFrame(toTicks(start + 10 * kBufferSeconds)), kBuffer + kLateFrames, 0.01);
}

// Callbacks and heard clicks as bench_loopback_faults recorded them on
// PipeWire's PulseAudio service (512-frame buffer at 44.1 kHz, a click every
// 50 ms): the callbacks' instants in milliseconds, and when each click's first
// frame was heard, with that frame's number on the device. The service holds
// about 21 ms of the stream; when it stops, the callbacks stop with it.
struct RecordedClick {
    double ms;
    int64_t frame;
};

struct RecordedRun {
    const char* fault;
    std::vector<double> callbacks;
    std::vector<RecordedClick> clicks;
};

const RecordedRun kRecordedRuns[] = {
    {"the server stopped for 200 ms from 250 ms",
     {
          0.61, 5.97, 16.55, 27.22, 43.21, 53.92, 69.92, 80.54, 85.89, 96.56, 107.21, 123.22, 133.89, 149.93,
          160.57, 165.90, 187.88, 192.56, 203.25, 213.88, 229.90, 240.54, 455.57, 459.31, 464.64, 475.18,
          485.86, 501.89, 512.58, 528.58, 539.24, 544.51, 555.17, 571.22, 581.94, 592.59, 608.59, 619.26,
          624.57, 645.92, 651.22, 661.90, 672.55, 688.69, 699.26, 715.27, 725.94, 731.25, 741.87, 752.51,
          768.56, 779.24, 795.31
     },
     {
          {51.70, 1625}, {101.70, 3830}, {151.70, 6035}, {202.32, 8240}, {315.75, 10445}, {493.73, 12650},
          {543.96, 14855}, {593.90, 17060}, {643.90, 19265}, {693.90, 21470}, {743.90, 23675},
          {793.90, 25880}
     }},
    {"the stream starved for 300 ms from 250 ms",
     {
          10.60, 26.60, 37.21, 42.62, 53.23, 69.25, 79.97, 90.55, 106.94, 117.32, 122.61, 143.93, 149.27,
          159.91, 170.57, 186.58, 197.21, 213.24, 223.91, 229.23, 239.89, 551.01, 551.12, 559.99, 570.53,
          587.61, 597.33, 603.00, 623.92, 629.28, 639.92, 650.64, 666.63, 677.24, 693.21, 703.92, 709.20,
          719.92, 730.56, 746.60, 757.27, 773.21, 783.89, 790.91, 799.94, 815.94, 826.59, 837.30, 853.22,
          863.93, 869.21, 890.56, 895.93
     },
     {
          {51.30, 936}, {101.20, 3141}, {150.90, 5346}, {200.90, 7551}, {250.90, 9756}, {583.70, 11961},
          {633.70, 14166}, {683.70, 16371}, {733.70, 18576}, {783.90, 20781}, {833.90, 22986},
          {883.90, 25191}
     }},
};

// The picture may follow the sound, never lead it by more than a frame at 60 Hz.
TEST(DeviceClock, NeverLeadsWhatWasHeardThroughAStallOrAnUnderrun)
{
    constexpr double kMostLeadMs = 17.0;
    for (const RecordedRun& run : kRecordedRuns) {
        SCOPED_TRACE(run.fault);
        DeviceClock clock;
        clock.reset(kRate, pulseServerHeldFrames(PulseServerKind::PipeWire, kBuffer, kRate),
                    deviceLateFrames("pulseaudio", PulseServerKind::PipeWire, kRate), kTicksPerSecond);
        size_t next = 0;
        for (const RecordedClick& click : run.clicks) {
            for (; next < run.callbacks.size() && run.callbacks[next] <= click.ms; ++next) {
                clock.onCallback(kBuffer, toTicks(run.callbacks[next] / 1000.0));
            }
            EXPECT_LE(clock.heardFrame(toTicks(click.ms / 1000.0)), click.frame + kMostLeadMs / 1000.0 * kRate)
                << "click heard at " << click.ms << " ms";
        }
    }
}

// What a sound server holds when SDL asks for more, as bench_loopback measured
// it: PulseAudio about half the buffer and its sink's 1.8 ms, PipeWire's service
// about 21 ms whatever the buffer. The clock must count at least that, so the
// picture never leads the sound, and no more than 10 ms beyond it.
TEST(DeviceClock, CountsWhatEachSoundServerHoldsAndLittleMore)
{
    constexpr double kPulseSinkSeconds = 0.0018;
    constexpr double kPipeWireSeconds = 0.0213;
    constexpr double kMostBehindSeconds = 0.010;
    for (int rate : {44100, 48000}) {
        for (int buffer : {256, 512, 1024, 2048}) {
            SCOPED_TRACE(std::to_string(buffer) + " frames at " + std::to_string(rate));
            const double bufferSeconds = static_cast<double>(buffer) / rate;
            const double pulse = pulseServerHeldFrames(PulseServerKind::PulseAudio, buffer, rate) / double(rate);
            EXPECT_GE(pulse, bufferSeconds / 2 + kPulseSinkSeconds);
            EXPECT_LE(pulse, bufferSeconds / 2 + kPulseSinkSeconds + kMostBehindSeconds);
            EXPECT_EQ(pulseServerHeldFrames(PulseServerKind::Unknown, buffer, rate),
                      pulseServerHeldFrames(PulseServerKind::PulseAudio, buffer, rate));
            const double pipeWire = pulseServerHeldFrames(PulseServerKind::PipeWire, buffer, rate) / double(rate);
            EXPECT_GE(pipeWire, std::max(kPipeWireSeconds, bufferSeconds / 2 + kPulseSinkSeconds));
            EXPECT_LE(pipeWire, std::max(kPipeWireSeconds, bufferSeconds / 2) + kMostBehindSeconds);
        }
    }
    // The player's 16 ms period keeps its whole buffer counted, as on a sound card.
    EXPECT_EQ(pulseServerHeldFrames(PulseServerKind::PulseAudio, kBuffer, kRate), kBuffer);
}

// Each driver counts its own path: Windows' engine holds up to a period in the
// endpoint buffer SDL fills and mixes one more ahead of the device, so at least
// two periods and no more than 10 ms beyond; a sound card, the silent drivers and
// an unknown driver hold the buffer they play.
TEST(DeviceClock, EachAudioDriverCountsWhatItsPathHolds)
{
    constexpr double kMostBehindSeconds = 0.010;
    for (int rate : {44100, 48000}) {
        const int period = rate / 100;
        const double held = deviceHeldFrames("wasapi", PulseServerKind::Unknown, period, rate) / double(rate);
        EXPECT_GE(held, 2 * 0.010) << rate;
        EXPECT_LE(held, 2 * 0.010 + kMostBehindSeconds) << rate;
    }
    EXPECT_EQ(deviceHeldFrames("pulseaudio", PulseServerKind::PipeWire, kBuffer, kRate),
              pulseServerHeldFrames(PulseServerKind::PipeWire, kBuffer, kRate));
    for (const char* driver : {"dummy", "disk", "alsa", "directsound", static_cast<const char*>(nullptr)}) {
        EXPECT_EQ(deviceHeldFrames(driver, PulseServerKind::Unknown, kBuffer, kRate), kBuffer)
            << (driver ? driver : "no driver");
    }
}
