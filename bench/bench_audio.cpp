// The soundtrack's load and seek times for a 3-minute MP3 and the quality of its clock when
// read once per 60 Hz frame, over ten seconds of it and over the whole of the demo's
// own music. Plays on SDL's silent driver unless SDL_AUDIODRIVER
// names another. The MP3 is made with sox and lame in the temporary folder.
#include "BenchSupport.h"
#include "audio/AudioBackend.h"
#include "audio/Mp3Decoder.h"
#include "timeline/Soundtrack.h"

#include <SDL.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace bench_support;

constexpr const char* kLongMusic = "/tmp/morlenth-bench-3min.mp3";
constexpr const char* kDemoMusic = "res/audio/melody.mp3";
constexpr float kBpm = 110.0f;
constexpr double kFrameSeconds = 1.0 / 60.0;
constexpr int kFrames = 600;
constexpr double kSlowReadSeconds = 0.0005;

// A 3-minute stereo piece at a typical variable bit rate, made once per machine.
bool makeLongMusic()
{
    if (std::filesystem::exists(kLongMusic)) {
        return true;
    }
    const std::string wav = std::string(kLongMusic) + ".wav";
    const std::string command = "sox -D -R -n -r 44100 -c 2 -b 16 '" + wav +
                                "' synth 180 sine 110-880 brownnoise gain -8 && lame --quiet -V 2 '" + wav + "' '" +
                                kLongMusic + "'";
    const bool made = std::system(command.c_str()) == 0;
    std::filesystem::remove(wav);
    return made && std::filesystem::exists(kLongMusic);
}

double nowSeconds()
{
    return static_cast<double>(SDL_GetPerformanceCounter()) / static_cast<double>(SDL_GetPerformanceFrequency());
}

bool startAudio(benchmark::State& state, Soundtrack& soundtrack)
{
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    if (!makeLongMusic()) {
        state.SkipWithError("sox and lame could not make the 3-minute MP3");
        return false;
    }
    if (!soundtrack.initAudio()) {
        state.SkipWithError("no audio device");
        return false;
    }
    return true;
}

void BM_SoundtrackLoad3Minutes(benchmark::State& state)
{
    Soundtrack soundtrack;
    if (!startAudio(state, soundtrack)) {
        return;
    }
    for (auto _ : state) {
        bool loaded = soundtrack.load(kLongMusic, kBpm);
        benchmark::DoNotOptimize(loaded);
        state.PauseTiming();
        audioStreamFree(soundtrack.stream);
        soundtrack.stream = 0;
        state.ResumeTiming();
    }
    soundtrack.shutdownAudio();
}
BENCHMARK(BM_SoundtrackLoad3Minutes)->Unit(benchmark::kMillisecond);

// What decoding the whole file at load would cost instead of decoding while playing.
void BM_DecodeWhole3Minutes(benchmark::State& state)
{
    if (!makeLongMusic()) {
        state.SkipWithError("sox and lame could not make the 3-minute MP3");
        return;
    }
    std::vector<int16_t> chunk(4096 * 2);
    for (auto _ : state) {
        Mp3Decoder decoder;
        decoder.open(kLongMusic);
        int64_t frames = 0;
        int count = 0;
        while ((count = decoder.read(chunk.data(), 4096)) > 0) {
            frames += count;
        }
        benchmark::DoNotOptimize(frames);
    }
}
BENCHMARK(BM_DecodeWhole3Minutes)->Unit(benchmark::kMillisecond);

// A sample-exact seek in the 3-minute piece and the first piece of music decoded
// after it, as the audio callback decodes it (the decoder defers the seek's work to
// that read). Against the same read without a seek, the difference is what a seek
// costs the callback. The targets stride through the whole file, to frame starts
// and to positions within MPEG frames alike.
void BM_SeekAndRead3Minutes(benchmark::State& state)
{
    const bool seeking = state.range(0) != 0;
    Mp3Decoder decoder;
    if (!makeLongMusic() || decoder.open(kLongMusic) != kAudioOk) {
        state.SkipWithError("sox and lame could not make the 3-minute MP3");
        return;
    }
    constexpr int kChunkFrames = 1152;
    constexpr int64_t kStrideFrames = 1645633;
    std::vector<int16_t> chunk(static_cast<size_t>(kChunkFrames) * decoder.channels);
    int64_t target = 0;
    for (auto _ : state) {
        target = (target + kStrideFrames) % (decoder.lengthFrames - kChunkFrames);
        if (seeking) {
            decoder.seek(target);
        }
        const int count = decoder.read(chunk.data(), kChunkFrames);
        benchmark::DoNotOptimize(count);
        if (count < kChunkFrames) {
            decoder.seek(0);
        }
    }
    state.SetLabel(seeking ? "seek, then read 1152 frames" : "read 1152 frames");
}
BENCHMARK(BM_SeekAndRead3Minutes)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

struct LineFit {
    double slope = 0.0;
    std::vector<double> deviations;  // absolute, sorted
};

LineFit fitLine(const std::vector<double>& t, const std::vector<double>& p)
{
    double meanT = 0.0;
    double meanP = 0.0;
    for (size_t i = 0; i < t.size(); ++i) {
        meanT += t[i] / t.size();
        meanP += p[i] / p.size();
    }
    double covariance = 0.0;
    double variance = 0.0;
    for (size_t i = 0; i < t.size(); ++i) {
        covariance += (t[i] - meanT) * (p[i] - meanP);
        variance += (t[i] - meanT) * (t[i] - meanT);
    }
    LineFit fit;
    fit.slope = covariance / variance;
    for (size_t i = 0; i < t.size(); ++i) {
        fit.deviations.push_back(std::fabs(p[i] - (meanP + fit.slope * (t[i] - meanT))));
    }
    std::sort(fit.deviations.begin(), fit.deviations.end());
    return fit;
}

struct ClockReads {
    std::vector<double> times;
    std::vector<double> positions;
    int slowReads = 0;
};

// Reads the clock once per 60 Hz frame, as the main loop reads it, for the given
// number of frames or, with none given, until the music has been heard to its end.
// A read during which this thread was held up (by the scheduler, or waiting for
// the audio callback) has no exact time; such reads are counted, not fitted.
void readClock(Soundtrack& soundtrack, int frames, ClockReads& reads)
{
    soundtrack.play();
    while (!soundtrack.isPlaying()) {
        SDL_Delay(1);
    }
    // Skip the first device buffer, which is still silent.
    SDL_Delay(100);
    double next = nowSeconds();
    for (int frame = 0; frames <= 0 || frame < frames; ++frame) {
        next += kFrameSeconds;
        while (nowSeconds() < next) {
            SDL_Delay(1);
        }
        const double before = nowSeconds();
        const bool playing = soundtrack.isPlaying();
        const double position = soundtrack.position();
        const double after = nowSeconds();
        if (!playing) {
            break;
        }
        if (after - before > kSlowReadSeconds) {
            ++reads.slowReads;
            continue;
        }
        reads.times.push_back((before + after) / 2.0);
        reads.positions.push_back(position);
    }
    soundtrack.stop();
}

// The worst deviation from lines fitted to each second of reads on its own: what is
// left once a device whose pace wanders (SDL's dummy driver sleeps whole
// milliseconds, and later when the machine is busy) is followed exactly.
double worstLocalDeviation(const ClockReads& reads)
{
    const size_t window = static_cast<size_t>(1.0 / kFrameSeconds);
    double worst = 0.0;
    for (size_t start = 0; start + window <= reads.times.size(); start += window) {
        const std::vector<double> t(reads.times.begin() + start, reads.times.begin() + start + window);
        const std::vector<double> p(reads.positions.begin() + start, reads.positions.begin() + start + window);
        worst = std::max(worst, fitLine(t, p).deviations.back());
    }
    return worst;
}

void reportClock(benchmark::State& state, const ClockReads& reads)
{
    AudioDeviceInfo info;
    audioGetInfo(&info);
    const std::vector<double>& positions = reads.positions;
    double largestStep = 0.0;
    int backwardSteps = 0;
    int stillSteps = 0;
    for (size_t i = 1; i < positions.size(); ++i) {
        largestStep = std::max(largestStep, positions[i] - positions[i - 1]);
        backwardSteps += positions[i] < positions[i - 1] ? 1 : 0;
        stillSteps += positions[i] == positions[i - 1] ? 1 : 0;
    }
    const LineFit fit = fitLine(reads.times, positions);
    double load[1] = {0.0};
    getloadavg(load, 1);
    state.counters["frame_ms"] = kFrameSeconds * 1000.0;
    state.counters["reads"] = static_cast<double>(positions.size());
    state.counters["played_s"] = positions.back() - positions.front();
    state.counters["largest_step_ms"] = largestStep * 1000.0;
    state.counters["worst_deviation_ms"] = fit.deviations.back() * 1000.0;
    state.counters["p99_deviation_ms"] = fit.deviations[fit.deviations.size() * 99 / 100] * 1000.0;
    state.counters["median_deviation_ms"] = fit.deviations[fit.deviations.size() / 2] * 1000.0;
    state.counters["worst_1s_deviation_ms"] = worstLocalDeviation(reads) * 1000.0;
    state.counters["backward_steps"] = backwardSteps;
    state.counters["still_steps"] = stillSteps;
    state.counters["slow_reads"] = reads.slowReads;
    state.counters["slope"] = fit.slope;
    state.counters["device_buffer_ms"] = 1000.0 * info.bufferFrames / info.frequency;
    state.counters["load_average"] = load[0];
}

// Ten seconds of playback of the 3-minute piece.
void BM_ClockAt60Hz(benchmark::State& state)
{
    Soundtrack soundtrack;
    if (!startAudio(state, soundtrack) || !soundtrack.load(kLongMusic, kBpm)) {
        state.SkipWithError("no music");
        return;
    }
    ClockReads reads;
    for (auto _ : state) {
        readClock(soundtrack, kFrames, reads);
    }
    reportClock(state, reads);
    soundtrack.shutdownAudio();
}
BENCHMARK(BM_ClockAt60Hz)->Iterations(1)->Unit(benchmark::kMillisecond);

// The demo's own music from its first frame to its last, as one run of the demo hears it.
void BM_ClockWholeMusic(benchmark::State& state)
{
    Soundtrack soundtrack;
    const std::string music = sourceRoot() + "/" + kDemoMusic;
    if (!startAudio(state, soundtrack) || !soundtrack.load(music.c_str(), kBpm)) {
        state.SkipWithError("no audio device or res/audio/melody.mp3 cannot be played");
        return;
    }
    ClockReads reads;
    for (auto _ : state) {
        readClock(soundtrack, 0, reads);
    }
    reportClock(state, reads);
    soundtrack.shutdownAudio();
}
BENCHMARK(BM_ClockWholeMusic)->Iterations(1)->Unit(benchmark::kMillisecond);

}

BENCHMARK_MAIN();
