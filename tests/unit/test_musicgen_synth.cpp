#include "Composition.h"
#include "Curve.h"
#include "Envelopes.h"
#include "Limiter.h"
#include "Notation.h"
#include "Oscillators.h"
#include "TruePeak.h"
#include "WavFile.h"

#include "TestPaths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

using namespace musicgen;

namespace {

TEST(MusicNotation, ReadsWellFormedBarsAndRejectsTheRest)
{
    struct Case {
        bool (*parse)(const std::string&);
        const char* text;
        bool valid;
    };
    auto melody = [](const std::string& t) { std::vector<MelodyNote> n; return parseMelodyBar(t, n); };
    auto drums = [](const std::string& t) { std::vector<double> v; return parseDrumBar(t, v); };
    auto bass = [](const std::string& t) { std::vector<BassNote> n; return parseBassBar(t, n); };
    auto chord = [](const std::string& t) { Chord c; return parseChord(t, c); };
    const Case cases[] = {
        {melody, "E5:3 D5:3 C5:2 D5:2 E5:4 A4:2", true},
        {melody, "r:16", true},
        {melody, "E5:3 D5:3", false},       // does not fill the bar
        {melody, "E5:3 D5:3 C5:2 D5:9", false}, // overfills it
        {melody, "E5:0 A5:16", false},
        {melody, "H5:16", false},
        {melody, "E9:16", false},
        {melody, "E5 A5:12", false},
        {drums, "9...9...9...9...", true},
        {drums, "9...9...9...9..", false},
        {drums, "9...9...9...0...", false},
        {bass, "R-.R-.O.R-.R-.OF", true},
        {bass, "R-.R-.O.R-.R-.OX", false},
        {bass, "R-.R-.O.R-.R-.O", false},
        {chord, "Am", true},
        {chord, "C#m", true},
        {chord, "Bb", true},
        {chord, "Amaj", false},
        {chord, "", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.parse(c.text), c.valid) << '"' << c.text << '"';
    }
}

TEST(MusicNotation, PlacesNotesWhereTheTextSays)
{
    const std::pair<const char*, int> names[] = {{"C4", 60}, {"A4", 69}, {"C#5", 73}, {"Bb3", 58}, {"Cb4", 71}};
    for (const auto& name : names) {
        int pitch = -1;
        EXPECT_TRUE(parseNoteName(name.first, pitch));
        EXPECT_EQ(pitch, name.second) << name.first;
    }
    std::vector<MelodyNote> notes;
    ASSERT_TRUE(parseMelodyBar("E5:3 r:5 A4:8", notes));
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[1].step, 8);
    EXPECT_EQ(notes[1].length, 8);
    std::vector<BassNote> bass;
    ASSERT_TRUE(parseBassBar("R--.O...F.......", bass));
    ASSERT_EQ(bass.size(), 3u);
    EXPECT_EQ(bass[0].length, 3);
    EXPECT_EQ(bass[1].interval, 12);
    EXPECT_EQ(bass[2].step, 8);
}

TEST(MusicNotation, ChordTonesStayInTheirOctave)
{
    const std::pair<const char*, std::vector<int>> chords[] = {
        {"Am", {57, 60, 64}}, {"F", {57, 60, 65}}, {"C", {60, 64, 67}}, {"G", {59, 62, 67}}, {"Em", {59, 64, 67}},
    };
    for (const auto& entry : chords) {
        Chord chord;
        ASSERT_TRUE(parseChord(entry.first, chord));
        EXPECT_EQ(chordTones(chord, 57), entry.second) << entry.first;
    }
}

TEST(MusicCurve, InterpolatesAndHoldsItsEnds)
{
    Curve linear, geometric(true);
    for (Curve* curve : {&linear, &geometric}) {
        curve->add(8, 100.0);
        curve->add(16, 400.0);
        curve->add(12, 50.0); // goes back in time: taken as a jump at bar 16
    }
    EXPECT_DOUBLE_EQ(linear.at(0), 100.0);
    EXPECT_DOUBLE_EQ(linear.at(12), 250.0);
    EXPECT_DOUBLE_EQ(geometric.at(12), 200.0);
    EXPECT_DOUBLE_EQ(linear.at(40), 50.0);
    EXPECT_TRUE(std::isfinite(linear.at(16)));
}

// Every envelope starts and ends at zero and never moves further in one frame
// than its steepest ramp allows: the property that keeps notes from clicking.
TEST(MusicEnvelopes, StartAndEndAtZeroWithoutJumps)
{
    const double frame = 1.0 / kSampleRate;
    const Adsr adsrs[] = {{0.003, 0.18, 0.75, 0.025}, {0.35, 1.2, 0.8, 0.6}, {0.006, 0.35, 0.65, 0.07}};
    const double gates[] = {0.001, 0.1, 2.0};
    for (const Adsr& env : adsrs) {
        double steepest = frame / std::min({env.attack, env.release}) + 1e-9;
        for (double gate : gates) {
            double previous = adsrLevel(env, 0.0, gate);
            EXPECT_EQ(previous, 0.0);
            for (double t = frame; t < adsrSeconds(env, gate) + 0.01; t += frame) {
                double level = adsrLevel(env, t, gate);
                ASSERT_LE(std::fabs(level - previous), steepest) << "attack " << env.attack << " at " << t;
                previous = level;
            }
            EXPECT_EQ(previous, 0.0);
        }
    }
    const Perc percs[] = {{0.0015, 0.16, 0.5}, {0.0005, 0.022, 0.09}, {0.002, 0.55, 2.2}};
    for (const Perc& env : percs) {
        double steepest = frame / std::min(env.attack, kTailFadeSeconds) + 1e-9;
        double previous = percLevel(env, 0.0);
        EXPECT_EQ(previous, 0.0);
        for (double t = frame; t < env.length + 0.01; t += frame) {
            double level = percLevel(env, t);
            ASSERT_LE(std::fabs(level - previous), steepest) << "decay " << env.decay << " at " << t;
            previous = level;
        }
        EXPECT_EQ(previous, 0.0);
    }
}

TEST(MusicOscillators, StayBoundedAndCentred)
{
    const double rates[] = {55.0, 440.0, 3520.0};
    for (double hz : rates) {
        Oscillator saw, pulse, narrow;
        double sums[3] = {0, 0, 0}, peak = 0.0;
        const int frames = kSampleRate; // a whole number of periods for these rates
        for (int i = 0; i < frames; ++i) {
            double values[3] = {saw.saw(hz), pulse.pulse(hz, 0.5), narrow.pulse(hz, 0.25)};
            for (int k = 0; k < 3; ++k) {
                sums[k] += values[k];
                peak = std::max(peak, std::fabs(values[k]));
            }
        }
        for (double sum : sums) {
            EXPECT_NEAR(sum / frames, 0.0, 0.01) << hz << " Hz";
        }
        EXPECT_LT(peak, 1.8) << hz << " Hz";
    }
}

TEST(MusicRng, RepeatsPerSeedAndCoversItsRange)
{
    Rng a(7), b(7), c(8);
    double low = 1.0, high = -1.0;
    bool differs = false;
    for (int i = 0; i < 10000; ++i) {
        double x = a.bipolar();
        EXPECT_EQ(x, b.bipolar());
        differs = differs || x != c.bipolar();
        low = std::min(low, x);
        high = std::max(high, x);
    }
    EXPECT_TRUE(differs);
    EXPECT_LT(low, -0.99);
    EXPECT_GT(high, 0.99);
}

// Loud bursts of noise and a loud low tone: no sample may end above the
// ceiling, the waveform between samples only by a hair (the gain moves within
// the interpolation kernel), and the gain may only glide.
TEST(MusicLimiter, HoldsTheCeilingWithAGlidingGain)
{
    const double ceiling = 0.8;
    StereoBuffer mix;
    mix.resize(kSampleRate * 2);
    Rng noise(3);
    for (int64_t i = 0; i < mix.frames(); ++i) {
        double burst = (i / 4000) % 3 == 0 ? 3.0 : 0.2;
        mix.left[i] = static_cast<float>(burst * noise.bipolar());
        mix.right[i] = static_cast<float>(1.5 * std::sin(2.0 * 3.14159265 * 60.0 * i / kSampleRate));
    }
    StereoBuffer input = mix;
    LimiterStats stats = applyLimiter(mix, ceiling, 0.005, 0.15);
    float samplePeak = 0.0f;
    for (int64_t i = 0; i < mix.frames(); ++i) {
        samplePeak = std::max({samplePeak, std::fabs(mix.left[i]), std::fabs(mix.right[i])});
    }
    EXPECT_LE(samplePeak, ceiling * (1.0 + 1e-6));
    std::vector<double> peaks = framePeaks(mix);
    EXPECT_LE(*std::max_element(peaks.begin(), peaks.end()), ceiling * 1.001); // 0.01 dB
    EXPECT_GT(stats.maxReductionDb, 10.0);
    double previous = NAN, steepest = 0.0;
    for (int64_t i = 0; i < mix.frames(); ++i) {
        // Both sides share one gain; read it off the louder side.
        bool left = std::fabs(input.left[i]) > std::fabs(input.right[i]);
        float in = left ? input.left[i] : input.right[i];
        if (std::fabs(in) > 0.05f) {
            double gain = (left ? mix.left[i] : mix.right[i]) / in;
            steepest = std::isnan(previous) ? 0.0 : std::max(steepest, std::fabs(gain - previous));
            previous = gain;
        }
    }
    EXPECT_LT(steepest, 0.02) << "the gain stepped instead of gliding";
}

TEST(MusicLimiter, LeavesQuietAudioUntouched)
{
    StereoBuffer mix;
    mix.resize(10000);
    for (int64_t i = 0; i < mix.frames(); ++i) {
        mix.left[i] = static_cast<float>(0.5 * std::sin(i * 0.01));
        mix.right[i] = -mix.left[i];
    }
    StereoBuffer input = mix;
    LimiterStats stats = applyLimiter(mix, 0.8, 0.005, 0.15);
    EXPECT_EQ(stats.maxReductionDb, 0.0);
    EXPECT_EQ(mix.left, input.left);
    EXPECT_EQ(mix.right, input.right);
}

TEST(MusicWav, RoundTripsAndRefusesWhatItCannotRead)
{
    std::string dir = testing_support::makeTempDir("musicgen-wav");
    StereoBuffer mix;
    mix.resize(1000);
    for (int64_t i = 0; i < mix.frames(); ++i) {
        mix.left[i] = static_cast<float>(std::round(8000.0 * std::sin(i * 0.05)) / 32767.0);
        mix.right[i] = static_cast<float>(-i / 32767.0);
    }
    ASSERT_TRUE(writeWav(dir + "/ok.wav", mix));
    StereoBuffer back;
    ASSERT_TRUE(readWav(dir + "/ok.wav", back));
    EXPECT_EQ(back.left, mix.left);
    EXPECT_EQ(back.right, mix.right);

    std::string good = testing_support::readFile(dir + "/ok.wav");
    std::string oversized = good;
    oversized[40] = '\xff'; // data chunk claims far more than the file holds
    oversized[41] = '\xff';
    oversized[42] = '\xff';
    std::string otherRate = good;
    otherRate[24] = '\x80'; // 48000 Hz
    otherRate[25] = '\xbb';
    const std::pair<const char*, std::string> bad[] = {
        {"empty", ""}, {"header only", good.substr(0, 12)}, {"oversized chunk", oversized},
        {"48 kHz", otherRate}, {"not RIFF", "RIFX" + good.substr(4)},
    };
    for (const auto& file : bad) {
        testing_support::writeFile(dir + "/bad.wav", file.second);
        StereoBuffer audio;
        EXPECT_FALSE(readWav(dir + "/bad.wav", audio)) << file.first;
    }
    testing_support::removeTree(dir);
}

TEST(MusicComposition, EveryEventLiesInsideTheSong)
{
    Score score;
    ASSERT_TRUE(composeSong(score));
    double end = static_cast<double>(score.bars) * kStepsPerBar;
    for (const DrumHit& hit : score.drums) {
        EXPECT_GE(hit.step, 0.0);
        EXPECT_LT(hit.step, end);
        EXPECT_GT(hit.velocity, 0.0);
    }
    for (const std::vector<Note>* part : {&score.bass, &score.pad, &score.lead, &score.leadHigh, &score.arp}) {
        EXPECT_FALSE(part->empty() && part != &score.leadHigh);
        for (const Note& note : *part) {
            EXPECT_GE(note.step, 0.0);
            EXPECT_LE(note.step + note.length, end);
            EXPECT_GT(note.length, 0.0);
            EXPECT_GE(note.pitch, 24);
            EXPECT_LE(note.pitch, 96);
        }
    }
}

}
