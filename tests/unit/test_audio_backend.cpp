#include "audio/AudioBackend.h"

#include "TestPaths.h"

#include <SDL.h>
#include <gtest/gtest.h>

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
    EXPECT_GT(before, 0.1);

    ASSERT_TRUE(waitWhileState(stream, kAudioPlaying, 5.0));
    EXPECT_EQ(audioChannelIsActive(stream), kAudioStopped);
    EXPECT_EQ(audioChannelGetPosition(stream, kAudioPositionHeard), audioChannelGetLength(stream));
    EXPECT_DOUBLE_EQ(heardSeconds(stream), 1.0);
}

TEST_F(Backend, EndsOnlyOnceTheLastSampleIsHeard)
{
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
    EXPECT_GT(stopped, 0.2);
    EXPECT_EQ(audioChannelIsActive(stream), kAudioStopped);
    SDL_Delay(200);
    EXPECT_EQ(heardSeconds(stream), stopped);

    ASSERT_TRUE(audioChannelPlay(stream, false));
    SDL_Delay(200);
    const double resumed = heardSeconds(stream);
    EXPECT_GT(resumed, stopped);
    EXPECT_LT(resumed, stopped + 0.4);

    ASSERT_TRUE(audioChannelPlay(stream, true));
    EXPECT_LT(heardSeconds(stream), 0.1);
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
    EXPECT_GT(heardSeconds(stream), before + 0.1);
}

// The clock read as often as possible during playback: it never goes back, never
// passes what the device was given, and follows a straight line within a buffer.
TEST_F(Backend, ClockIsMonotonicTrueAndSmooth)
{
    ASSERT_TRUE(audioSetUpdatePeriod(16));
    AudioDeviceInfo info;
    ASSERT_TRUE(audioGetInfo(&info));
    const double bufferSeconds = static_cast<double>(info.bufferFrames) / info.frequency;
    uint32_t stream = open("clip_stereo_44100.mp3");
    ASSERT_TRUE(audioChannelPlay(stream, false));

    std::vector<double> times;
    std::vector<double> positions;
    const double deadline = nowSeconds() + 5.0;
    while (audioChannelIsActive(stream) == kAudioPlaying && nowSeconds() < deadline) {
        const double now = nowSeconds();
        const uint64_t heard = audioChannelGetPosition(stream, kAudioPositionHeard);
        const uint64_t handed = audioChannelGetPosition(stream, kAudioPositionHanded);
        ASSERT_LE(heard, handed);
        ASSERT_TRUE(positions.empty() || audioChannelBytes2Seconds(stream, heard) >= positions.back());
        times.push_back(now);
        positions.push_back(audioChannelBytes2Seconds(stream, heard));
        SDL_Delay(2);
    }
    ASSERT_LT(nowSeconds(), deadline);

    // Fit the stretch where the music moves (the first buffer is still silent).
    std::vector<double> t;
    std::vector<double> p;
    for (size_t i = 0; i < positions.size(); ++i) {
        if (positions[i] > bufferSeconds && positions[i] < 2.0 - bufferSeconds) {
            t.push_back(times[i]);
            p.push_back(positions[i]);
        }
    }
    ASSERT_GT(t.size(), 100u);
    double meanT = 0, meanP = 0;
    for (size_t i = 0; i < t.size(); ++i) {
        meanT += t[i] / t.size();
        meanP += p[i] / p.size();
    }
    double covariance = 0, variance = 0;
    for (size_t i = 0; i < t.size(); ++i) {
        covariance += (t[i] - meanT) * (p[i] - meanP);
        variance += (t[i] - meanT) * (t[i] - meanT);
    }
    const double slope = covariance / variance;
    EXPECT_NEAR(slope, 1.0, 0.1) << "the music plays at its true speed";
    double worst = 0;
    for (size_t i = 0; i < t.size(); ++i) {
        worst = std::max(worst, std::fabs(p[i] - (meanP + slope * (t[i] - meanT))));
    }
    EXPECT_LT(worst, bufferSeconds) << "largest deviation from the fitted line";
}
