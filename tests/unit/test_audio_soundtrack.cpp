#include "timeline/Soundtrack.h"

#include "audio/AudioBackend.h"

#include "GlTestContext.h"
#include "test_audio_helpers.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace audio_testing;
using namespace testing_support;

namespace {

constexpr float kBpm = 110.0f;

std::string codeLine(int code)
{
    return "BASS Error Code: " + std::to_string(code);
}

// The two lines of an audio failure, as errors in the system category. SDL may
// add debug lines of its own (a missing driver is one), which are not ours.
void expectFailureLines(const LogCapture& log, const std::string& message, int code)
{
    std::vector<LogEntry> errors;
    for (const LogEntry& entry : log.entries()) {
        if (entry.priority != SDL_LOG_PRIORITY_DEBUG) {
            errors.push_back(entry);
        }
    }
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0].message, message);
    EXPECT_EQ(errors[1].message, codeLine(code));
    for (const LogEntry& entry : errors) {
        EXPECT_EQ(entry.category, SDL_LOG_CATEGORY_SYSTEM);
        EXPECT_EQ(entry.priority, SDL_LOG_PRIORITY_ERROR);
    }
}

bool waitUntilPlaying(Soundtrack& soundtrack, bool playing, Uint32 timeoutMs)
{
    const Uint32 start = SDL_GetTicks();
    while (soundtrack.isPlaying() != playing) {
        if (SDL_GetTicks() - start > timeoutMs) {
            return false;
        }
        SDL_Delay(5);
    }
    return true;
}

class SoundtrackTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        ASSERT_TRUE(soundtrack.initAudio());
        dir = makeTempDir("morlenth-soundtrack");
    }
    void TearDown() override
    {
        soundtrack.shutdownAudio();
        removeTree(dir);
    }

    Soundtrack soundtrack;
    std::string dir;
};

}

TEST(SoundtrackAudio, AFailedDeviceIsLoggedWithTheBackEndsCode)
{
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    Soundtrack soundtrack;
    LogCapture log;
    EXPECT_FALSE(soundtrack.initAudio());
    expectFailureLines(log, "Failed to initialize BASS Audio Device!", kAudioErrorInit);
}

TEST_F(SoundtrackTest, LoadFailuresLogTheirMessageAndCode)
{
    const std::string clip = readFile(fixture("clip_stereo_44100.mp3"));
    writeFile(dir + "/empty.mp3", "");
    writeFile(dir + "/random.mp3", randomBytes(30000, 3));
    // Its tag frame and the start of its first audio frame: nothing to play.
    writeFile(dir + "/truncated.mp3", clip.substr(0, 500));
    struct Case {
        const char* file;
        int code;
    };
    const Case cases[] = {
        {"missing.mp3", kAudioErrorFileOpen},
        {"empty.mp3", kAudioErrorFileFormat},
        {"random.mp3", kAudioErrorFileFormat},
        {"truncated.mp3", kAudioErrorFileFormat},
    };
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.file);
        soundtrack.bpm = 60.0f;
        LogCapture log;
        EXPECT_FALSE(soundtrack.load((dir + "/" + testCase.file).c_str(), kBpm));
        expectFailureLines(log, "Failed to create soundtrack in bass audio device!", testCase.code);
        EXPECT_EQ(soundtrack.stream, 0u);
        EXPECT_EQ(soundtrack.bpm, 60.0f);
    }
}

TEST_F(SoundtrackTest, AFreshStreamIsStoppedAtZero)
{
    LogCapture log;
    ASSERT_TRUE(soundtrack.load(fixture("clip_stereo_44100.mp3").c_str(), kBpm));
    EXPECT_NE(soundtrack.stream, 0u);
    EXPECT_EQ(soundtrack.bpm, kBpm);
    EXPECT_FALSE(soundtrack.isPlaying());
    EXPECT_EQ(soundtrack.position(), 0.0f);
    EXPECT_TRUE(log.lines().empty());
}

TEST_F(SoundtrackTest, PlaysToTheEndOfTheMusic)
{
    ASSERT_TRUE(soundtrack.load(fixture("clip_stereo_32000.mp3").c_str(), kBpm));
    LogCapture log;
    soundtrack.play();
    ASSERT_TRUE(waitUntilPlaying(soundtrack, true, 1000));
    float previous = 0.0f;
    while (soundtrack.isPlaying()) {
        float now = soundtrack.position();
        ASSERT_GE(now, previous);
        ASSERT_LE(now, 1.0f);
        previous = now;
        SDL_Delay(5);
    }
    EXPECT_GT(previous, 0.5f);
    EXPECT_EQ(soundtrack.position(), 1.0f);
    soundtrack.stop();
    EXPECT_TRUE(log.lines().empty());
}

// Without a stream the position read fails; its failure value is never converted,
// so only the offset message appears.
TEST_F(SoundtrackTest, CallsWithoutAStreamLogTheirOwnFailure)
{
    struct Case {
        const char* message;
        void (*call)(Soundtrack&);
    };
    const Case cases[] = {
        {"Failed to get the soundtrack offset from bass audio!",
         [](Soundtrack& s) { EXPECT_EQ(s.position(), 0.0f); }},
        {"Failed to play soundtrack in bass audio!", [](Soundtrack& s) { s.play(); }},
        {"Failed to stop soundtrack in bass audio!", [](Soundtrack& s) { s.stop(); }},
        {"Failed to pause soundtrack in bass audio!", [](Soundtrack& s) { s.pause(); }},
        {"Failed to resume soundtrack in bass audio!", [](Soundtrack& s) { s.resume(); }},
        {"Failed to seek soundtrack in bass audio!", [](Soundtrack& s) { s.seek(0.5); }},
        {"Failed to get the soundtrack offset from bass audio!",
         [](Soundtrack& s) { EXPECT_EQ(s.exactPosition(), 0.0); }},
    };
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.message);
        LogCapture log;
        testCase.call(soundtrack);
        expectFailureLines(log, testCase.message, kAudioErrorHandle);
    }
    LogCapture log;
    EXPECT_FALSE(soundtrack.isPlaying());
    EXPECT_FALSE(soundtrack.isPaused());
    EXPECT_TRUE(log.lines().empty());
}

// Seeks land on the frame at that time, kept within the music; the full-precision
// position and the frame's float position are the same time.
TEST_F(SoundtrackTest, SeeksWithinTheMusicAndPausesWhereItIs)
{
    ASSERT_TRUE(soundtrack.load(fixture("clip_stereo_44100.mp3").c_str(), kBpm));
    LogCapture log;
    struct Case {
        double seconds;
        double expected;
    };
    const Case cases[] = {{0.5, 0.5}, {(4410 + 0.7) / 44100, 4410.0 / 44100}, {-1.0, 0.0}, {5.0, 2.0}, {1e300, 2.0}};
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.seconds);
        soundtrack.seek(testCase.seconds);
        EXPECT_EQ(soundtrack.exactPosition(), testCase.expected);
        EXPECT_EQ(soundtrack.position(), static_cast<float>(testCase.expected));
    }

    soundtrack.seek(1.0);
    soundtrack.play();
    ASSERT_TRUE(waitUntilPlaying(soundtrack, true, 1000));
    SDL_Delay(100);
    soundtrack.pause();
    EXPECT_TRUE(soundtrack.isPaused());
    EXPECT_FALSE(soundtrack.isPlaying());
    const double held = soundtrack.exactPosition();
    EXPECT_GT(held, 1.0);
    SDL_Delay(50);
    EXPECT_EQ(soundtrack.exactPosition(), held);
    soundtrack.resume();
    EXPECT_FALSE(soundtrack.isPaused());
    EXPECT_TRUE(soundtrack.isPlaying());
    EXPECT_EQ(soundtrack.exactPosition(), held);
    EXPECT_TRUE(log.lines().empty());
}

TEST_F(SoundtrackTest, ASecondLoadReplacesTheFirstStream)
{
    ASSERT_TRUE(soundtrack.load(fixture("clip_stereo_44100.mp3").c_str(), kBpm));
    const uint32_t first = soundtrack.stream;
    ASSERT_TRUE(soundtrack.load(fixture("clip_mono_48000.mp3").c_str(), 120.0f));
    EXPECT_NE(soundtrack.stream, first);
    EXPECT_EQ(audioChannelIsActive(first), kAudioStopped);
    EXPECT_EQ(audioErrorGetCode(), kAudioErrorHandle);
}
