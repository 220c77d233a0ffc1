#include "audio/AudioBackend.h"

#include "TestPaths.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

constexpr int kFrequency = 44100;
constexpr uint64_t kBytesPerSample = 2;

std::string fixture(const std::string& name)
{
    return sourceDir() + "/tests/fixtures/audio/" + name;
}

double nowSeconds()
{
    return static_cast<double>(SDL_GetPerformanceCounter()) / static_cast<double>(SDL_GetPerformanceFrequency());
}

double heardSeconds(uint32_t stream)
{
    return audioChannelBytes2Seconds(stream, audioChannelGetPosition(stream, kAudioPositionHeard));
}

// Polls until the stream's state differs from `state`, for at most timeoutSeconds.
bool waitWhileState(uint32_t stream, AudioActiveState state, double timeoutSeconds)
{
    const double deadline = nowSeconds() + timeoutSeconds;
    while (audioChannelIsActive(stream) == state) {
        if (nowSeconds() > deadline) {
            return false;
        }
        SDL_Delay(1);
    }
    return true;
}

// The silent driver plays at the pace of its timer, so the tests run headless.
class Backend : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        ASSERT_TRUE(audioInit(kFrequency)) << audioErrorGetCode();
    }
    void TearDown() override { audioFree(); }

    uint32_t open(const char* name)
    {
        uint32_t stream = audioStreamCreateFile(fixture(name).c_str());
        EXPECT_NE(stream, 0u) << name << ": error " << audioErrorGetCode();
        return stream;
    }
};

struct Clip {
    const char* file;
    int rate;
    int channels;
    double seconds;
};

const Clip kClips[] = {
    {"clip_stereo_44100.mp3", 44100, 2, 2.0},
    {"clip_mono_48000.mp3", 48000, 1, 1.5},
    {"clip_stereo_32000.mp3", 32000, 2, 1.0},
    {"clip_mono_22050.mp3", 22050, 1, 1.25},
};

}

TEST(BackendWithoutDevice, RefusesEveryCallUntilInitialised)
{
    EXPECT_EQ(audioStreamCreateFile(fixture("clip_stereo_44100.mp3").c_str()), 0u);
    EXPECT_EQ(audioErrorGetCode(), kAudioErrorNoInit);
    EXPECT_FALSE(audioSetUpdatePeriod(16));
    EXPECT_EQ(audioErrorGetCode(), kAudioErrorNoInit);
    EXPECT_EQ(audioChannelGetPosition(1, kAudioPositionHeard), kAudioPositionFailed);
    EXPECT_EQ(audioErrorGetCode(), kAudioErrorNoInit);
    EXPECT_FALSE(audioFree());
    EXPECT_EQ(audioErrorGetCode(), kAudioErrorNoInit);
}

TEST(BackendWithoutDevice, ReportsADriverThatCannotStart)
{
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    EXPECT_FALSE(audioInit(kFrequency));
    EXPECT_EQ(audioErrorGetCode(), kAudioErrorInit);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    EXPECT_FALSE(audioInit(1000));
    EXPECT_EQ(audioErrorGetCode(), kAudioErrorParam);
}

TEST_F(Backend, OpensTheDeviceOnceAtTheAskedRate)
{
    AudioDeviceInfo info;
    ASSERT_TRUE(audioGetInfo(&info));
    EXPECT_EQ(info.frequency, kFrequency);
    EXPECT_FALSE(audioInit(kFrequency));
    EXPECT_EQ(audioErrorGetCode(), kAudioErrorAlready);
}

TEST_F(Backend, ChoosesTheDeviceBufferFromTheUpdatePeriod)
{
    for (int period : {5, 16, 50, 100}) {
        SCOPED_TRACE(period);
        ASSERT_TRUE(audioSetUpdatePeriod(period));
        AudioDeviceInfo info;
        ASSERT_TRUE(audioGetInfo(&info));
        const double bufferMs = 1000.0 * info.bufferFrames / info.frequency;
        EXPECT_LE(bufferMs, period);
        EXPECT_GT(bufferMs, period / 2.0);
        EXPECT_EQ(info.bufferFrames & (info.bufferFrames - 1), 0) << "a power of two";
    }
    for (int period : {0, 4, 101}) {
        EXPECT_FALSE(audioSetUpdatePeriod(period));
        EXPECT_EQ(audioErrorGetCode(), kAudioErrorParam);
    }
}

TEST_F(Backend, StreamLengthIsTheGaplessSampleCountInTheStreamsOwnRate)
{
    for (const Clip& clip : kClips) {
        SCOPED_TRACE(clip.file);
        uint32_t stream = open(clip.file);
        const uint64_t frames = static_cast<uint64_t>(clip.seconds * clip.rate);
        const uint64_t bytesPerFrame = clip.channels * kBytesPerSample;
        EXPECT_EQ(audioChannelGetLength(stream), frames * bytesPerFrame);
        EXPECT_DOUBLE_EQ(audioChannelBytes2Seconds(stream, audioChannelGetLength(stream)),
                         static_cast<double>(frames) / clip.rate);
        for (uint64_t frame : {uint64_t{0}, uint64_t{1}, uint64_t{12345}, frames}) {
            double seconds = audioChannelBytes2Seconds(stream, frame * bytesPerFrame);
            EXPECT_DOUBLE_EQ(seconds * clip.rate, static_cast<double>(frame));
        }
        EXPECT_TRUE(audioStreamFree(stream));
    }
}

TEST_F(Backend, UnknownHandlesFailWithTheFailureValues)
{
    for (uint32_t stream : {0u, 77u}) {
        SCOPED_TRACE(stream);
        EXPECT_EQ(audioChannelGetPosition(stream, kAudioPositionHeard), kAudioPositionFailed);
        EXPECT_EQ(audioErrorGetCode(), kAudioErrorHandle);
        EXPECT_LT(audioChannelBytes2Seconds(stream, 0), 0.0);
        EXPECT_EQ(audioErrorGetCode(), kAudioErrorHandle);
        EXPECT_EQ(audioChannelIsActive(stream), kAudioStopped);
        EXPECT_EQ(audioErrorGetCode(), kAudioErrorHandle);
        EXPECT_FALSE(audioChannelPlay(stream, false));
        EXPECT_FALSE(audioChannelStop(stream));
        EXPECT_EQ(audioErrorGetCode(), kAudioErrorHandle);
    }
    uint32_t stream = open("clip_stereo_32000.mp3");
    ASSERT_TRUE(audioStreamFree(stream));
    EXPECT_EQ(audioChannelGetLength(stream), kAudioPositionFailed);
    EXPECT_EQ(audioErrorGetCode(), kAudioErrorHandle);
}

TEST_F(Backend, CreationFailuresSayWhatIsWrongWithTheFile)
{
    const std::string dir = makeTempDir("morlenth-backend");
    const std::string clip = readFile(fixture("clip_stereo_44100.mp3"));
    writeFile(dir + "/empty.mp3", "");
    std::mt19937 generator(11);
    std::string noise(40000, '\0');
    for (char& byte : noise) {
        byte = static_cast<char>(generator() & 0xff);
    }
    writeFile(dir + "/random.mp3", noise);
    writeFile(dir + "/truncated.mp3", clip.substr(0, clip.size() / 3));
    struct Case {
        std::string path;
        int expected;
    };
    const Case cases[] = {
        {dir + "/missing.mp3", kAudioErrorFileOpen},
        {dir + "/empty.mp3", kAudioErrorFileFormat},
        {dir + "/random.mp3", kAudioErrorFileFormat},
        {dir + "/truncated.mp3", kAudioErrorTruncated},
    };
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.path);
        EXPECT_EQ(audioStreamCreateFile(testCase.path.c_str()), 0u);
        EXPECT_EQ(audioErrorGetCode(), testCase.expected);
    }
    removeTree(dir);
}

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

TEST_F(Backend, StopHoldsThePositionAndPlayContinuesFromIt)
{
    uint32_t stream = open("clip_stereo_44100.mp3");
    ASSERT_TRUE(audioChannelPlay(stream, false));
    SDL_Delay(400);
    ASSERT_TRUE(audioChannelStop(stream));
    const double stopped = heardSeconds(stream);
    EXPECT_GT(stopped, 0.0);
    EXPECT_EQ(audioChannelIsActive(stream), kAudioStopped);
    SDL_Delay(200);
    EXPECT_EQ(heardSeconds(stream), stopped);

    // The first buffer of the new run is still silent, so the clock waits there.
    ASSERT_TRUE(audioChannelPlay(stream, false));
    EXPECT_EQ(heardSeconds(stream), stopped);
    SDL_Delay(200);
    EXPECT_GT(heardSeconds(stream), stopped);

    ASSERT_TRUE(audioChannelPlay(stream, true));
    EXPECT_EQ(heardSeconds(stream), 0.0);
}

TEST_F(Backend, ReopeningTheDeviceKeepsThePlaybackGoing)
{
    uint32_t stream = open("clip_stereo_44100.mp3");
    ASSERT_TRUE(audioChannelPlay(stream, false));
    SDL_Delay(300);
    const double before = heardSeconds(stream);
    ASSERT_TRUE(audioSetUpdatePeriod(50));
    EXPECT_GE(heardSeconds(stream), before);
    EXPECT_EQ(audioChannelIsActive(stream), kAudioPlaying);
    SDL_Delay(300);
    EXPECT_GT(heardSeconds(stream), before);
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
