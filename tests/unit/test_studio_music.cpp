#include "music/MusicAnalysis.h"
#include "music/MusicEvents.h"
#include "music/OnsetScore.h"
#include "music/Waveform.h"

#include "audio/AudioBackend.h"
#include "audio/Mp3Decoder.h"
#include "timeline/SyncDevice.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {

const std::string kMusic = std::string(MORLENTH_SOURCE_DIR) + "/res/audio/melody.mp3";
constexpr double kMusicBpm = 110.0;
constexpr double kToleranceRows = 1.0;
// Generous: the unit tests also run under the sanitizers.
constexpr double kAnalysisTimeoutSeconds = 60.0;

bool waitReady(const MusicAnalysis& analysis)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(kAnalysisTimeoutSeconds);
    while (!analysis.ready() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return analysis.ready();
}

// One analysis of the real piece, shared by the tests that read it.
const MusicAnalysis& melody()
{
    static MusicAnalysis analysis;
    static const bool started = analysis.start(kMusic, true) && waitReady(analysis);
    EXPECT_TRUE(started);
    return analysis;
}

TEST(StudioMusic, OnsetsFindTheDrumRowsOfTheScore)
{
    const MusicAnalysis& analysis = melody();
    ASSERT_EQ(analysis.error, "");
    MusicEvents events;
    std::string error;
    ASSERT_TRUE(events.load(kMusic, error)) << error;
    std::vector<double> foundRows;
    for (double seconds : analysis.onsetSeconds()) {
        foundRows.push_back(seconds * rowsPerSecond(kMusicBpm));
    }
    const OnsetScore score = scoreOnsets(foundRows, percussionRows(events), kToleranceRows);
    std::printf("onsets: %zu found, %zu drum rows, %zu matched, recall %.3f, precision %.3f, median lateness %.3f rows\n",
                score.found, score.events, score.matched, score.recall, score.precision, score.medianOffsetRows);
    EXPECT_GE(score.recall, 0.9);
    EXPECT_GE(score.precision, 0.8);
    // Onsets stand at their attacks, not where the detection window peaks.
    EXPECT_LT(std::fabs(score.medianOffsetRows), 0.25);
}

TEST(StudioMusic, AnalysisCoversTheWholeDecodedPiece)
{
    const MusicAnalysis& analysis = melody();
    ASSERT_EQ(analysis.error, "");
    Mp3Decoder decoder;
    ASSERT_EQ(decoder.open(kMusic.c_str()), kAudioOk);
    EXPECT_DOUBLE_EQ(analysis.waveform().lengthSeconds(), static_cast<double>(decoder.lengthFrames) / decoder.rate);
    float low = 0.0f;
    float high = 0.0f;
    ASSERT_TRUE(analysis.waveform().range(0.0, analysis.waveform().lengthSeconds(), low, high));
    EXPECT_LT(low, 0.0f);
    EXPECT_GT(high, 0.0f);
}

TEST(StudioMusic, AnalysisOfAMissingFileEndsWithAnError)
{
    MusicAnalysis analysis;
    ASSERT_TRUE(analysis.start(std::string(MORLENTH_SOURCE_DIR) + "/res/audio/no-such-music.mp3", true));
    ASSERT_TRUE(waitReady(analysis));
    EXPECT_NE(analysis.error, "");
    EXPECT_TRUE(analysis.waveform().empty());
    analysis.stop();
    analysis.stop();
}

TEST(StudioMusic, WaveformRangesComeFromThePyramid)
{
    // 4000 frames of silence, then 4000 of a full-scale square, at 1000 frames a second.
    constexpr int kRate = 1000;
    constexpr int kSilentFrames = 4000;
    constexpr int kFrames = 8000;
    constexpr int kSquareHalfPeriod = 8;
    std::vector<int16_t> samples(2 * kFrames, 0);
    for (int i = kSilentFrames; i < kFrames; ++i) {
        const int16_t value = ((i / kSquareHalfPeriod) % 2) != 0 ? INT16_MAX : INT16_MIN;
        samples[2 * i] = value;
        samples[2 * i + 1] = value;
    }
    Waveform waveform;
    float low = 0.0f;
    float high = 0.0f;
    EXPECT_FALSE(waveform.range(0.0, 1.0, low, high));
    ASSERT_TRUE(waveform.build(samples.data(), kFrames, 2, kRate));
    EXPECT_DOUBLE_EQ(waveform.lengthSeconds(), 8.0);
    struct Case {
        double from;
        double to;
        bool answered;
        float low;
        float high;
    };
    constexpr float kTop = INT16_MAX / 32768.0f;
    const Case cases[] = {
        {0.0, 2.0, true, 0.0f, 0.0f},      // silence, at a coarse level
        {3.70, 3.95, true, 0.0f, 0.0f},    // silence just short of the square: one level coarser would reach it
        {1.0005, 1.0005, true, 0.0f, 0.0f}, // a single frame
        {3.0, 5.0, true, -1.0f, kTop},     // across both
        {0.0, 8.0, true, -1.0f, kTop},     // the whole piece: the top bin
        {7.5, 20.0, true, -1.0f, kTop},    // past the end is cut there
        {-3.0, 1.0, true, 0.0f, 0.0f},     // as is before the start
        {8.0, 9.0, false, 0.0f, 0.0f},     // wholly past the end
        {-2.0, -1.0, false, 0.0f, 0.0f},   // wholly before the start
        {5.0, 4.0, false, 0.0f, 0.0f},     // backwards
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.from) + " .. " + std::to_string(c.to));
        low = high = 0.5f;
        ASSERT_EQ(waveform.range(c.from, c.to, low, high), c.answered);
        if (c.answered) {
            EXPECT_FLOAT_EQ(low, c.low);
            EXPECT_FLOAT_EQ(high, c.high);
        }
    }
}

TEST(StudioMusic, ScoreMatchesEachEventOnce)
{
    // Two onsets near one event take it once; one 1.5 rows off takes none.
    const OnsetScore score = scoreOnsets({9.8, 10.2, 20.0, 31.5}, {10.0, 20.5, 30.0}, kToleranceRows);
    EXPECT_EQ(score.matched, 2u);
    EXPECT_DOUBLE_EQ(score.recall, 2.0 / 3.0);
    EXPECT_DOUBLE_EQ(score.precision, 2.0 / 4.0);
}

}
