#include "MusicAnalysis.h"

#include "OnsetFinder.h"

#include "audio/AudioBackend.h"
#include "audio/Mp3Decoder.h"

#include <chrono>
#include <cstdint>

namespace {

// Frames decoded at a time: the buffers stay in the cache, and the whole piece is
// never held as samples (its pages alone would cost tens of milliseconds to fault in).
constexpr int kChunkFrames = 16384;
constexpr float kFullScale = 32768.0f;

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Stereo, the common case, has a loop of its own, which the compiler vectorises.
void mixToMono(const int16_t* samples, int frames, int channels, float* mono)
{
    const float toUnit = 1.0f / (kFullScale * static_cast<float>(channels));
    if (channels == 2) {
        for (int i = 0; i < frames; ++i) {
            mono[i] = static_cast<float>(samples[2 * i] + samples[2 * i + 1]) * toUnit;
        }
        return;
    }
    for (int i = 0; i < frames; ++i) {
        int sum = 0;
        for (int c = 0; c < channels; ++c) {
            sum += samples[i * channels + c];
        }
        mono[i] = static_cast<float>(sum) * toUnit;
    }
}

std::string decoderProblem(int code)
{
    switch (code) {
    case kAudioErrorFileOpen: return "the file is missing or cannot be read";
    case kAudioErrorFileFormat: return "the file holds no MPEG layer III audio";
    case kAudioErrorMemory: return "the file is too large";
    default: return "the decoder failed (code " + std::to_string(code) + ")";
    }
}

}

MusicAnalysis::~MusicAnalysis()
{
    stop();
}

bool MusicAnalysis::start(const std::string& musicPath, bool findOnsets)
{
    if (worker.joinable() && !ready()) {
        return false;
    }
    stop();
    finished.store(false);
    cancelled.store(false);
    worker = std::thread(&MusicAnalysis::run, this, musicPath, findOnsets);
    return true;
}

bool MusicAnalysis::ready() const
{
    return finished.load(std::memory_order_acquire);
}

void MusicAnalysis::stop()
{
    if (worker.joinable()) {
        cancelled.store(true);
        worker.join();
    }
}

void MusicAnalysis::run(const std::string& musicPath, bool findOnsets)
{
    const Clock::time_point start = Clock::now();
    error.clear();
    wave = Waveform();
    onsets.clear();
    decodeMs = pyramidMs = onsetsMs = 0.0;
    analyse(musicPath, findOnsets);
    elapsedMs = msSince(start);
    finished.store(true, std::memory_order_release);
}

void MusicAnalysis::analyse(const std::string& musicPath, bool findOnsets)
{
    Clock::time_point mark = Clock::now();
    Mp3Decoder decoder;
    const int code = decoder.open(musicPath.c_str());
    decodeMs += msSince(mark);
    if (code != kAudioOk) {
        error = "cannot decode " + musicPath + ": " + decoderProblem(code);
        return;
    }
    OnsetFinder finder;
    if (!wave.begin(decoder.channels, decoder.rate, decoder.lengthFrames) ||
        (findOnsets && !finder.start(decoder.rate))) {
        error = "cannot decode " + musicPath + ": no samples at a usable rate";
        return;
    }
    const int channels = decoder.channels;
    std::vector<int16_t> samples(static_cast<size_t>(kChunkFrames) * static_cast<size_t>(channels));
    std::vector<float> mono(kChunkFrames);
    for (;;) {
        if (cancelled.load(std::memory_order_relaxed)) {
            error = "stopped before the end of " + musicPath;
            return;
        }
        mark = Clock::now();
        const int frames = decoder.read(samples.data(), kChunkFrames);
        decodeMs += msSince(mark);
        if (frames <= 0) {
            break;
        }
        mark = Clock::now();
        wave.add(samples.data(), frames);
        pyramidMs += msSince(mark);
        if (findOnsets) {
            mark = Clock::now();
            mixToMono(samples.data(), frames, channels, mono.data());
            finder.add(mono.data(), frames);
            onsetsMs += msSince(mark);
        }
    }
    mark = Clock::now();
    const bool built = wave.finish();
    pyramidMs += msSince(mark);
    if (!built) {
        error = "cannot decode " + musicPath + ": it holds no samples";
        return;
    }
    if (findOnsets) {
        mark = Clock::now();
        onsets = finder.finish();
        onsetsMs += msSince(mark);
    }
}
