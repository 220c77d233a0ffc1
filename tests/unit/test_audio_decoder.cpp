#include "audio/Mp3Decoder.h"

#include "test_audio_helpers.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

using namespace audio_testing;
using namespace testing_support;

namespace {

// The clips as tests/fixtures/audio/make_fixtures.sh synthesises them; sox makes
// floor(seconds * rate) frames, and a gapless decode gives back exactly those.
struct Clip {
    const char* file;
    int rate;
    int channels;
    double seconds;
    double toneHz;  // the tone on the first channel
    int64_t frames() const { return static_cast<int64_t>(seconds * rate); }
};

const Clip kClips[] = {
    {"clip_stereo_44100.mp3", 44100, 2, 2.0, 440.0},
    {"clip_mono_48000.mp3", 48000, 1, 1.5, 1000.0},
    {"clip_stereo_32000.mp3", 32000, 2, 1.0, 330.0},
    {"clip_mono_22050.mp3", 22050, 1, 1.25, 550.0},
};

std::vector<int16_t> decodeAll(Mp3Decoder& decoder)
{
    std::vector<int16_t> samples;
    std::vector<int16_t> chunk(4096 * static_cast<size_t>(decoder.channels));
    int count = 0;
    while ((count = decoder.read(chunk.data(), 4096)) > 0) {
        samples.insert(samples.end(), chunk.begin(), chunk.begin() + count * decoder.channels);
    }
    return samples;
}

// Frequency of the first channel from its rising zero crossings, away from the fades.
double toneFrequency(const std::vector<int16_t>& samples, int channels, int rate)
{
    const size_t frames = samples.size() / channels;
    const size_t first = frames / 10;
    const size_t last = frames - frames / 10;
    int crossings = 0;
    for (size_t i = first + 1; i < last; ++i) {
        crossings += samples[(i - 1) * channels] < 0 && samples[i * channels] >= 0 ? 1 : 0;
    }
    return crossings * static_cast<double>(rate) / static_cast<double>(last - first);
}

class DecoderFiles : public ::testing::Test {
protected:
    void SetUp() override { dir = makeTempDir("morlenth-decoder"); }
    void TearDown() override { removeTree(dir); }
    std::string dir;
};

}

TEST(Mp3Decoder, DecodesEveryClipToItsExactLengthAtItsOwnRate)
{
    for (const Clip& clip : kClips) {
        SCOPED_TRACE(clip.file);
        Mp3Decoder decoder;
        ASSERT_EQ(decoder.open(fixture(clip.file).c_str()), kAudioOk);
        EXPECT_EQ(decoder.rate, clip.rate);
        EXPECT_EQ(decoder.channels, clip.channels);
        EXPECT_EQ(decoder.lengthFrames, clip.frames());

        std::vector<int16_t> samples = decodeAll(decoder);
        EXPECT_EQ(static_cast<int64_t>(samples.size()), clip.frames() * clip.channels);
        EXPECT_NEAR(toneFrequency(samples, clip.channels, clip.rate), clip.toneHz, clip.toneHz * 0.01);
    }
}

TEST(Mp3Decoder, SeeksToTheExactFrame)
{
    Mp3Decoder decoder;
    ASSERT_EQ(decoder.open(fixture("clip_stereo_44100.mp3").c_str()), kAudioOk);
    const std::vector<int16_t> whole = decodeAll(decoder);
    const int64_t length = decoder.lengthFrames;
    constexpr int kCompared = 2000;

    for (int64_t frame : {int64_t{0}, int64_t{1}, int64_t{1151}, int64_t{1152}, int64_t{1153}, length / 2,
                          length - 1, length}) {
        SCOPED_TRACE(frame);
        ASSERT_TRUE(decoder.seek(frame));
        std::vector<int16_t> part(kCompared * 2);
        int count = decoder.read(part.data(), kCompared);
        ASSERT_EQ(count, static_cast<int>(std::min<int64_t>(kCompared, length - frame)));
        part.resize(static_cast<size_t>(count) * 2);
        std::vector<int16_t> expected(whole.begin() + frame * 2, whole.begin() + (frame + count) * 2);
        EXPECT_EQ(part, expected);
    }
    EXPECT_FALSE(decoder.seek(-1));
    EXPECT_FALSE(decoder.seek(length + 1));
}

TEST_F(DecoderFiles, RefusesFilesThatHoldNoPlayableMusic)
{
    const std::string clip = readFile(fixture("clip_stereo_44100.mp3"));
    struct Case {
        const char* name;
        std::string bytes;
        int expected;
    };
    const Case cases[] = {
        {"empty.mp3", "", kAudioErrorFileFormat},
        {"random.mp3", randomBytes(65536, 7), kAudioErrorFileFormat},
        {"text.mp3", std::string(4096, 'a'), kAudioErrorFileFormat},
        // Only the LAME tag frame and the start of the first audio frame.
        {"cut-in-first-frame.mp3", clip.substr(0, 500), kAudioErrorFileFormat},
    };
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        const std::string path = dir + "/" + testCase.name;
        writeFile(path, testCase.bytes);
        Mp3Decoder decoder;
        EXPECT_EQ(decoder.open(path.c_str()), testCase.expected);
        EXPECT_EQ(decoder.lengthFrames, 0);
        int16_t sample[2] = {};
        EXPECT_EQ(decoder.read(sample, 1), 0);
    }
}

TEST_F(DecoderFiles, AFileCutShortPlaysTheMusicItStillHolds)
{
    Mp3Decoder whole;
    ASSERT_EQ(whole.open(fixture("clip_stereo_44100.mp3").c_str()), kAudioOk);
    const std::vector<int16_t> wholeSamples = decodeAll(whole);
    const std::string clip = readFile(fixture("clip_stereo_44100.mp3"));
    // Bytes are not samples exactly: the tag frame, the frame cut through and the
    // encoder delay each move the share by up to one MPEG frame.
    constexpr int64_t kSlackFrames = 3 * 1152;

    for (size_t cut : {clip.size() / 2, clip.size() / 4}) {
        SCOPED_TRACE(cut);
        const std::string path = dir + "/cut.mp3";
        writeFile(path, clip.substr(0, cut));
        Mp3Decoder decoder;
        ASSERT_EQ(decoder.open(path.c_str()), kAudioOk);
        const double share = static_cast<double>(cut) / static_cast<double>(clip.size());
        EXPECT_NEAR(static_cast<double>(decoder.lengthFrames), share * static_cast<double>(whole.lengthFrames),
                    static_cast<double>(kSlackFrames));
        const std::vector<int16_t> samples = decodeAll(decoder);
        ASSERT_EQ(static_cast<int64_t>(samples.size()), decoder.lengthFrames * 2);
        // The same samples at the same positions as in the whole file.
        EXPECT_TRUE(std::equal(samples.begin(), samples.end(), wholeSamples.begin()));
        ASSERT_TRUE(decoder.seek(decoder.lengthFrames / 2));
        int16_t frame[2] = {};
        ASSERT_EQ(decoder.read(frame, 1), 1);
        EXPECT_EQ(frame[0], wholeSamples[static_cast<size_t>(decoder.lengthFrames / 2) * 2]);
    }
}

TEST_F(DecoderFiles, RefusesPathsThatAreNoReadableFile)
{
    Mp3Decoder decoder;
    EXPECT_EQ(decoder.open((dir + "/missing.mp3").c_str()), kAudioErrorFileOpen);
    EXPECT_EQ(decoder.open(dir.c_str()), kAudioErrorFileOpen);
    EXPECT_EQ(decoder.open(nullptr), kAudioErrorParam);
}

TEST_F(DecoderFiles, ReopeningReplacesTheFormerFile)
{
    Mp3Decoder decoder;
    ASSERT_EQ(decoder.open(fixture("clip_stereo_44100.mp3").c_str()), kAudioOk);
    ASSERT_EQ(decoder.open(fixture("clip_mono_48000.mp3").c_str()), kAudioOk);
    EXPECT_EQ(decoder.rate, 48000);
    EXPECT_EQ(static_cast<int64_t>(decodeAll(decoder).size()), decoder.lengthFrames);
}
