#include "test_audio_helpers.h"

#include <algorithm>
#include <vector>

using namespace audio_testing;

TEST_F(Backend, StateBeforeDuringAndAfterPlayback)
{
    uint32_t stream = open("clip_stereo_32000.mp3");
    EXPECT_EQ(audioChannelIsActive(stream), kAudioStopped);
    EXPECT_EQ(audioChannelGetPosition(stream, kAudioPositionHeard), 0u);

    ASSERT_TRUE(audioChannelPlay(stream, false));
    EXPECT_EQ(audioChannelIsActive(stream), kAudioPlaying);
    // Playing again without restart keeps the position.
    SDL_Delay(300);
    const double before = heardSeconds(stream);
    ASSERT_TRUE(audioChannelPlay(stream, false));
    EXPECT_GE(heardSeconds(stream), before);
    EXPECT_GT(before, 0.0);

    ASSERT_TRUE(waitWhileState(stream, kAudioPlaying, 5.0));
    EXPECT_EQ(audioChannelIsActive(stream), kAudioStopped);
    EXPECT_EQ(audioChannelGetPosition(stream, kAudioPositionHeard), audioChannelGetLength(stream));
    EXPECT_DOUBLE_EQ(heardSeconds(stream), 1.0);
}

TEST_F(Backend, EndsOnlyOnceTheLastSampleIsHeard)
{
    // A long buffer keeps the end in the device for a while after decoding finished.
    ASSERT_TRUE(audioSetUpdatePeriod(100));
    uint32_t stream = open("clip_stereo_32000.mp3");
    ASSERT_TRUE(audioChannelPlay(stream, false));
    const uint64_t length = audioChannelGetLength(stream);
    const double deadline = nowSeconds() + 5.0;
    bool handedAllWhilePlaying = false;
    while (audioChannelIsActive(stream) == kAudioPlaying && nowSeconds() < deadline) {
        uint64_t heard = audioChannelGetPosition(stream, kAudioPositionHeard);
        uint64_t handed = audioChannelGetPosition(stream, kAudioPositionHanded);
        handedAllWhilePlaying = handedAllWhilePlaying || (handed == length && heard < length);
        SDL_Delay(1);
    }
    EXPECT_TRUE(handedAllWhilePlaying) << "the device still held the end when decoding finished";
    EXPECT_EQ(audioChannelGetPosition(stream, kAudioPositionHeard), length);
}

// Stop and pause both hold the position where the listener is; they differ only in
// the state they report.
TEST_F(Backend, StopAndPauseHoldThePositionAndPlayContinuesFromIt)
{
    struct Case {
        const char* name;
        bool (*hold)(uint32_t);
        AudioActiveState held;
    };
    const Case cases[] = {
        {"stop", audioChannelStop, kAudioStopped},
        {"pause", audioChannelPause, kAudioPaused},
    };
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        uint32_t stream = open("clip_stereo_44100.mp3");
        ASSERT_TRUE(audioChannelPlay(stream, false));
        SDL_Delay(400);
        const uint64_t held = holdWhereHeard(stream, testCase.hold);
        EXPECT_GT(held, 0u);
        EXPECT_EQ(audioChannelIsActive(stream), testCase.held);
        SDL_Delay(200);
        EXPECT_EQ(audioChannelGetPosition(stream, kAudioPositionHeard), held) << "no drift while held";
        EXPECT_EQ(audioChannelIsActive(stream), testCase.held);

        // The first buffer of the new run is still silent, so the clock waits there.
        ASSERT_TRUE(audioChannelPlay(stream, false));
        EXPECT_EQ(audioChannelIsActive(stream), kAudioPlaying);
        EXPECT_EQ(audioChannelGetPosition(stream, kAudioPositionHeard), held);
        SDL_Delay(200);
        EXPECT_GT(audioChannelGetPosition(stream, kAudioPositionHeard), held);

        ASSERT_TRUE(audioChannelPlay(stream, true));
        EXPECT_EQ(heardSeconds(stream), 0.0);
        EXPECT_TRUE(audioStreamFree(stream));
    }
}

// A seek moves the heard position at once and keeps the state. Playing goes on
// from the new frame and never runs ahead of the time since the seek: the run
// before it does not carry over.
TEST_F(Backend, SeekMovesTheHeardPositionAtOnceInEveryState)
{
    struct Case {
        const char* name;
        AudioActiveState state;
        double playedSeconds;  // heard before the seek; 0 for a stream never played
        double toSeconds;
        uint64_t extraBytes;   // into the frame: the seek rounds down to its start
    };
    const Case cases[] = {
        {"stopped, forward", kAudioStopped, 0.0, 1.25, 0},
        {"paused, back", kAudioPaused, 0.5, 0.1, 0},
        {"playing, forward", kAudioPlaying, 0.3, 1.5, 3},
        {"playing, back", kAudioPlaying, 0.6, 0.2, 0},
    };
    const double bytesPerSecond = kFrequency * 2.0 * kBytesPerSample;
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        uint32_t stream = open("clip_stereo_44100.mp3");
        if (testCase.playedSeconds > 0.0) {
            ASSERT_TRUE(audioChannelPlay(stream, false));
            while (heardSeconds(stream) < testCase.playedSeconds) {
                SDL_Delay(1);
            }
        }
        if (testCase.state == kAudioPaused) {
            ASSERT_TRUE(audioChannelPause(stream));
        }
        const uint64_t target = audioChannelSeconds2Bytes(stream, testCase.toSeconds);
        ASSERT_EQ(target, static_cast<uint64_t>(testCase.toSeconds * bytesPerSecond));
        ASSERT_TRUE(audioChannelSetPosition(stream, target + testCase.extraBytes));
        const double seekedAt = nowSeconds();
        EXPECT_EQ(audioChannelGetPosition(stream, kAudioPositionHeard), target);
        EXPECT_EQ(audioChannelIsActive(stream), testCase.state);

        uint64_t previous = target;
        while (nowSeconds() < seekedAt + 0.3) {
            const uint64_t heard = audioChannelGetPosition(stream, kAudioPositionHeard);
            const double elapsed = nowSeconds() - seekedAt;
            ASSERT_GE(heard, previous);
            ASSERT_LE(static_cast<double>(heard - target), elapsed * bytesPerSecond * 1.1 + 4.0);
            previous = heard;
            SDL_Delay(1);
        }
        if (testCase.state == kAudioPlaying) {
            EXPECT_GT(previous, target);
        } else {
            EXPECT_EQ(previous, target) << "a stream that does not play stays where it was put";
            ASSERT_TRUE(audioChannelPlay(stream, false));
            EXPECT_EQ(audioChannelGetPosition(stream, kAudioPositionHeard), target);
        }
        EXPECT_TRUE(audioStreamFree(stream));
    }
}

TEST_F(Backend, SeekingToTheEndEndsPlaybackAndBeyondItFails)
{
    uint32_t stream = open("clip_stereo_44100.mp3");
    const uint64_t length = audioChannelGetLength(stream);
    ASSERT_TRUE(audioChannelPlay(stream, false));
    SDL_Delay(100);
    const uint64_t before = audioChannelGetPosition(stream, kAudioPositionHeard);
    EXPECT_FALSE(audioChannelSetPosition(stream, length + 2 * kBytesPerSample));
    EXPECT_EQ(audioErrorGetCode(), kAudioErrorParam);
    EXPECT_GE(audioChannelGetPosition(stream, kAudioPositionHeard), before);

    ASSERT_TRUE(audioChannelSetPosition(stream, length));
    EXPECT_EQ(audioChannelGetPosition(stream, kAudioPositionHeard), length);
    ASSERT_TRUE(waitWhileState(stream, kAudioPlaying, 1.0));
    EXPECT_EQ(audioChannelIsActive(stream), kAudioStopped);
    EXPECT_EQ(audioChannelGetPosition(stream, kAudioPositionHeard), length);
}

TEST_F(Backend, ReopeningTheDeviceKeepsThePlaybackGoing)
{
    uint32_t stream = open("clip_stereo_44100.mp3");
    uint32_t paused = open("clip_mono_48000.mp3");
    ASSERT_TRUE(audioChannelPlay(stream, false));
    ASSERT_TRUE(audioChannelPlay(paused, false));
    SDL_Delay(300);
    ASSERT_TRUE(audioChannelPause(paused));
    const uint64_t held = audioChannelGetPosition(paused, kAudioPositionHeard);
    const double before = heardSeconds(stream);
    ASSERT_TRUE(audioSetUpdatePeriod(50));
    EXPECT_GE(heardSeconds(stream), before);
    EXPECT_EQ(audioChannelIsActive(stream), kAudioPlaying);
    SDL_Delay(300);
    EXPECT_GT(heardSeconds(stream), before);
    EXPECT_EQ(audioChannelIsActive(paused), kAudioPaused);
    EXPECT_EQ(audioChannelGetPosition(paused, kAudioPositionHeard), held);
}

// The clock read as often as possible during playback: it never goes back, never
// passes what the device was given, accounts for the audio the device holds
// without lagging further, and moves between callbacks. Straightness against wall time is
// measured in bench_audio: the silent driver's own pace wanders on a busy machine.
TEST_F(Backend, ClockIsMonotonicTrueAndSmooth)
{
    ASSERT_TRUE(audioSetUpdatePeriod(16));
    AudioDeviceInfo info;
    ASSERT_TRUE(audioGetInfo(&info));
    const uint64_t buffer = static_cast<uint64_t>(info.bufferFrames) * 2 * kBytesPerSample;
    uint32_t stream = open("clip_stereo_44100.mp3");
    const uint64_t length = audioChannelGetLength(stream);
    ASSERT_TRUE(audioChannelPlay(stream, false));

    uint64_t previous = 0;
    std::vector<uint64_t> lags;
    std::vector<uint64_t> heardValues;
    std::vector<uint64_t> handedValues;
    const double deadline = nowSeconds() + 10.0;
    while (audioChannelIsActive(stream) == kAudioPlaying && nowSeconds() < deadline) {
        const uint64_t handedBefore = audioChannelGetPosition(stream, kAudioPositionHanded);
        const uint64_t heard = audioChannelGetPosition(stream, kAudioPositionHeard);
        const uint64_t handedAfter = audioChannelGetPosition(stream, kAudioPositionHanded);
        ASSERT_GE(heard, previous);
        ASSERT_LE(heard, handedAfter);
        // Away from the start and the end, and with no callback during the reads.
        if (handedBefore == handedAfter && heard > buffer && handedAfter < length) {
            lags.push_back(handedAfter - heard);
        }
        heardValues.push_back(heard);
        handedValues.push_back(handedAfter);
        previous = heard;
        SDL_Delay(1);
    }
    EXPECT_EQ(audioChannelGetPosition(stream, kAudioPositionHeard), length);
    ASSERT_GT(lags.size(), 50u);
    // The device holds a buffer before it is heard: a clock that ignored it would
    // lag what was handed over by half a buffer on average, this one by about one
    // and a half, and never by much more than the two buffers in the device.
    std::sort(lags.begin(), lags.end());
    EXPECT_GE(lags[lags.size() / 2], buffer * 3 / 4);
    EXPECT_LE(lags.back(), 3 * buffer);
    std::sort(heardValues.begin(), heardValues.end());
    std::sort(handedValues.begin(), handedValues.end());
    const size_t heardSteps = std::unique(heardValues.begin(), heardValues.end()) - heardValues.begin();
    const size_t handedSteps = std::unique(handedValues.begin(), handedValues.end()) - handedValues.begin();
    EXPECT_GT(heardSteps, handedSteps + handedSteps / 2) << "the clock moves between callbacks";
}
