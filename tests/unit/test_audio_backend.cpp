#include "test_audio_helpers.h"

#include <cmath>
#include <string>

using namespace audio_testing;
using namespace testing_support;

namespace {

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
    // The period's power of two, grown on the drivers that sleep whole
    // milliseconds per buffer (these tests run on one) until the rounding costs
    // under 1 %: 1,024 frames sleep 23 ms for 23.2.
    const struct {
        int periodMs;
        int frames;
    } cases[] = {{5, 1024}, {16, 1024}, {50, 2048}, {100, 4096}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.periodMs);
        ASSERT_TRUE(audioSetUpdatePeriod(c.periodMs));
        AudioDeviceInfo info;
        ASSERT_TRUE(audioGetInfo(&info));
        EXPECT_EQ(info.bufferFrames, c.frames);
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
        for (uint64_t frame : {uint64_t{0}, uint64_t{1}, uint64_t{1001}, uint64_t{12345}, frames}) {
            double seconds = audioChannelBytes2Seconds(stream, frame * bytesPerFrame);
            EXPECT_DOUBLE_EQ(seconds * clip.rate, static_cast<double>(frame));
            // Back to the same frame, also from anywhere within it.
            EXPECT_EQ(audioChannelSeconds2Bytes(stream, seconds), frame * bytesPerFrame);
            EXPECT_EQ(audioChannelSeconds2Bytes(stream, seconds + 0.99 / clip.rate), frame * bytesPerFrame);
        }
        for (double seconds : {-0.001, std::nan(""), 1e300}) {
            EXPECT_EQ(audioChannelSeconds2Bytes(stream, seconds), kAudioPositionFailed);
            EXPECT_EQ(audioErrorGetCode(), kAudioErrorParam);
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
        EXPECT_FALSE(audioChannelPause(stream));
        EXPECT_EQ(audioErrorGetCode(), kAudioErrorHandle);
        EXPECT_FALSE(audioChannelSetPosition(stream, 0));
        EXPECT_EQ(audioErrorGetCode(), kAudioErrorHandle);
        EXPECT_EQ(audioChannelSeconds2Bytes(stream, 0.0), kAudioPositionFailed);
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
    writeFile(dir + "/random.mp3", randomBytes(40000, 11));
    // Its tag frame and the start of its first audio frame: nothing to play.
    writeFile(dir + "/truncated.mp3", clip.substr(0, 500));
    struct Case {
        std::string path;
        int expected;
    };
    const Case cases[] = {
        {dir + "/missing.mp3", kAudioErrorFileOpen},
        {dir + "/empty.mp3", kAudioErrorFileFormat},
        {dir + "/random.mp3", kAudioErrorFileFormat},
        {dir + "/truncated.mp3", kAudioErrorFileFormat},
    };
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.path);
        EXPECT_EQ(audioStreamCreateFile(testCase.path.c_str()), 0u);
        EXPECT_EQ(audioErrorGetCode(), testCase.expected);
    }
    removeTree(dir);
}
