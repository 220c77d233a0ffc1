#include "audio/Mp3Decoder.h"

#include "test_audio_helpers.h"

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

using namespace audio_testing;
using namespace testing_support;

// SDL's disk driver writes every buffer the device is given to a file, so what the
// listener would hear can be compared with the decoded stream.
namespace {

constexpr int kDeviceChannels = 2;

struct Recording {
    std::vector<float> samples;  // interleaved, as the device was given them
    size_t firstSound = 0;       // first frame that is not silent
    size_t lastSound = 0;        // one past the last frame that is not silent
};

Recording readRecording(const std::string& rawPath);

class DiskOutput : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = makeTempDir("morlenth-disk");
        rawPath = dir + "/played.raw";
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", rawPath.c_str(), 1);
        // One millisecond per buffer instead of its real duration: the clips play fast.
        setenv("SDL_DISKAUDIODELAY", "1", 1);
    }
    void TearDown() override { removeTree(dir); }

    // Plays the clip to its end and returns what the device wrote.
    Recording play(const std::string& clip)
    {
        return record(clip, [](uint32_t stream) { EXPECT_TRUE(audioChannelPlay(stream, false)); });
    }

    // Lets `start` set the stream playing, waits for its end and returns what the
    // device wrote.
    Recording record(const std::string& clip, const std::function<void(uint32_t)>& start)
    {
        Recording recording;
        EXPECT_TRUE(audioInit(kFrequency));
        EXPECT_TRUE(audioSetUpdatePeriod(16));
        AudioDeviceInfo info;
        EXPECT_TRUE(audioGetInfo(&info));
        EXPECT_EQ(info.frequency, kFrequency);
        EXPECT_EQ(info.channels, kDeviceChannels);
        uint32_t stream = audioStreamCreateFile(fixture(clip).c_str());
        start(stream);
        const Uint32 begin = SDL_GetTicks();
        while (audioChannelIsActive(stream) == kAudioPlaying && SDL_GetTicks() - begin < 20000) {
            SDL_Delay(5);
        }
        EXPECT_EQ(audioChannelIsActive(stream), kAudioStopped);
        audioFree();
        return readRecording(rawPath);
    }

    std::string dir;
    std::string rawPath;
};

Recording readRecording(const std::string& rawPath)
{
    Recording recording;
    const std::string bytes = readFile(rawPath);
    recording.samples.resize(bytes.size() / sizeof(float));
    std::memcpy(recording.samples.data(), bytes.data(), recording.samples.size() * sizeof(float));
    const size_t frames = recording.samples.size() / kDeviceChannels;
    for (size_t frame = 0; frame < frames; ++frame) {
        bool sound = recording.samples[frame * 2] != 0.0f || recording.samples[frame * 2 + 1] != 0.0f;
        if (sound && recording.lastSound == 0) {
            recording.firstSound = frame;
        }
        if (sound) {
            recording.lastSound = frame + 1;
        }
    }
    return recording;
}

std::vector<int16_t> decodeAll(const std::string& clip, int* rate, int* channels)
{
    Mp3Decoder decoder;
    EXPECT_EQ(decoder.open(fixture(clip).c_str()), kAudioOk);
    *rate = decoder.rate;
    *channels = decoder.channels;
    std::vector<int16_t> samples(static_cast<size_t>(decoder.lengthFrames) * decoder.channels);
    EXPECT_EQ(decoder.read(samples.data(), static_cast<int>(decoder.lengthFrames)), decoder.lengthFrames);
    return samples;
}

double toneFrequency(const std::vector<float>& samples, size_t first, size_t last)
{
    int crossings = 0;
    for (size_t frame = first + 1; frame < last; ++frame) {
        crossings += samples[(frame - 1) * 2] < 0.0f && samples[frame * 2] >= 0.0f ? 1 : 0;
    }
    return crossings * static_cast<double>(kFrequency) / static_cast<double>(last - first);
}

}

TEST_F(DiskOutput, AStreamAtTheDeviceRateIsWrittenSampleForSample)
{
    int rate = 0;
    int channels = 0;
    const std::vector<int16_t> decoded = decodeAll("clip_stereo_44100.mp3", &rate, &channels);
    ASSERT_EQ(rate, kFrequency);
    ASSERT_EQ(channels, kDeviceChannels);
    size_t decodedStart = 0;
    while (decoded[decodedStart * 2] == 0 && decoded[decodedStart * 2 + 1] == 0) {
        ++decodedStart;
    }

    const Recording recording = play("clip_stereo_44100.mp3");
    ASSERT_GE(recording.firstSound, decodedStart);
    const size_t offset = (recording.firstSound - decodedStart) * kDeviceChannels;
    ASSERT_GE(recording.samples.size(), offset + decoded.size());
    size_t mismatches = 0;
    for (size_t i = 0; i < decoded.size(); ++i) {
        mismatches += recording.samples[offset + i] != decoded[i] / 32768.0f ? 1 : 0;
    }
    EXPECT_EQ(mismatches, 0u);
    EXPECT_LE(recording.lastSound * kDeviceChannels, offset + decoded.size()) << "nothing after the end";
}

// Other rates and channel counts are converted to the device but keep their pitch
// and duration: the music plays at its true speed.
TEST_F(DiskOutput, OtherFormatsPlayAtTheirTrueSpeed)
{
    struct Case {
        const char* clip;
        double toneHz;
    };
    const Case cases[] = {
        {"clip_mono_48000.mp3", 1000.0},
        {"clip_stereo_32000.mp3", 330.0},
        {"clip_mono_22050.mp3", 550.0},
    };
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.clip);
        int rate = 0;
        int channels = 0;
        const std::vector<int16_t> decoded = decodeAll(testCase.clip, &rate, &channels);
        const double seconds = static_cast<double>(decoded.size() / channels) / rate;

        const Recording recording = play(testCase.clip);
        const double played = static_cast<double>(recording.lastSound - recording.firstSound) / kFrequency;
        EXPECT_NEAR(played, seconds, 0.005);
        const size_t margin = (recording.lastSound - recording.firstSound) / 10;
        EXPECT_NEAR(toneFrequency(recording.samples, recording.firstSound + margin, recording.lastSound - margin),
                    testCase.toneHz, testCase.toneHz * 0.01);
        if (channels == 1) {
            size_t differing = 0;
            for (size_t frame = recording.firstSound; frame < recording.lastSound; ++frame) {
                differing += recording.samples[frame * 2] != recording.samples[frame * 2 + 1] ? 1 : 0;
            }
            EXPECT_EQ(differing, 0u) << "a mono stream sounds the same on both sides";
        }
    }
}

namespace {

// Moves the stream and checks that the heard position is the new one at once.
uint64_t seekTo(uint32_t stream, double seconds)
{
    const uint64_t bytes = audioChannelSeconds2Bytes(stream, seconds);
    EXPECT_TRUE(audioChannelSetPosition(stream, bytes));
    EXPECT_EQ(audioChannelGetPosition(stream, kAudioPositionHeard), bytes);
    return bytes;
}

void playUntil(uint32_t stream, double seconds)
{
    EXPECT_TRUE(audioChannelPlay(stream, false));
    const double deadline = nowSeconds() + 5.0;
    while (heardSeconds(stream) < seconds && nowSeconds() < deadline) {
        SDL_Delay(1);
    }
}

uint64_t pauseHere(uint32_t stream)
{
    const uint64_t held = holdWhereHeard(stream, audioChannelPause);
    // The device goes on asking for audio, and gets silence.
    SDL_Delay(50);
    EXPECT_EQ(audioChannelGetPosition(stream, kAudioPositionHeard), held);
    return held;
}

bool sameFrame(const std::vector<float>& recorded, size_t recordedFrame, const std::vector<int16_t>& decoded,
               size_t decodedFrame)
{
    return recorded[recordedFrame * 2] == decoded[decodedFrame * 2] / 32768.0f &&
           recorded[recordedFrame * 2 + 1] == decoded[decodedFrame * 2 + 1] / 32768.0f;
}

}

// After a seek, or a pause and a play, the device is given the decoded stream from
// exactly the position reported then: the recording's last stretch is the decoding
// from that frame to the end, and it reaches no further back.
TEST_F(DiskOutput, PlaysOnFromExactlyTheFrameOfASeekOrPause)
{
    // The device at its true pace, so the clock follows it and positions are heard
    // while it plays.
    unsetenv("SDL_DISKAUDIODELAY");
    struct Case {
        const char* name;
        uint64_t (*run)(uint32_t stream);  // returns the position the music goes on from
    };
    const Case cases[] = {
        {"seek before the first play",
         [](uint32_t s) { uint64_t at = seekTo(s, 1.5); EXPECT_TRUE(audioChannelPlay(s, false)); return at; }},
        {"seek forward while playing", [](uint32_t s) { playUntil(s, 0.2); return seekTo(s, 1.6); }},
        {"seek back while playing",
         [](uint32_t s) { seekTo(s, 1.2); playUntil(s, 1.4); return seekTo(s, 1.3); }},
        {"pause and play",
         [](uint32_t s) { seekTo(s, 1.4); playUntil(s, 1.5); uint64_t at = pauseHere(s); playUntil(s, 0.0); return at; }},
        {"seek while paused",
         [](uint32_t s) { seekTo(s, 1.2); playUntil(s, 1.3); pauseHere(s); uint64_t at = seekTo(s, 1.7); playUntil(s, 0.0); return at; }},
    };
    int rate = 0;
    int channels = 0;
    const std::vector<int16_t> decoded = decodeAll("clip_stereo_44100.mp3", &rate, &channels);
    ASSERT_EQ(rate, kFrequency);
    ASSERT_EQ(channels, kDeviceChannels);
    size_t decodedEnd = decoded.size() / kDeviceChannels;
    while (decoded[decodedEnd * 2 - 2] == 0 && decoded[decodedEnd * 2 - 1] == 0) {
        --decodedEnd;
    }
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        uint64_t from = 0;
        const Recording recording = record("clip_stereo_44100.mp3", [&](uint32_t s) { from = testCase.run(s); });
        const size_t fromFrame = static_cast<size_t>(from / (kDeviceChannels * kBytesPerSample));
        ASSERT_GT(fromFrame, 0u);
        ASSERT_LT(fromFrame, decodedEnd);
        // The recording's last sound is the stream's last.
        const size_t tail = decodedEnd - fromFrame;
        ASSERT_GE(recording.lastSound, tail);
        const size_t tailStart = recording.lastSound - tail;
        size_t mismatches = 0;
        for (size_t i = 0; i < tail; ++i) {
            mismatches += sameFrame(recording.samples, tailStart + i, decoded, fromFrame + i) ? 0 : 1;
        }
        EXPECT_EQ(mismatches, 0u);
        // Before it the device was given silence or other music, if anything.
        EXPECT_FALSE(tailStart > 0 && sameFrame(recording.samples, tailStart - 1, decoded, fromFrame - 1))
            << "the music before the seek or pause went on elsewhere";
    }
}
