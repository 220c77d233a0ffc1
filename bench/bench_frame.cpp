// Frame time of the whole demo over its real timeline: the real window (1280 x 720,
// debug context, multisampled back buffer), the real tracks of res/sync/ and all
// 1,028 objects, driven by the music time instead of the audio clock. Frames are
// sampled evenly over the music at 60 fps, every sample one whole frame of the
// main loop: events, row, Scene::render, swap, then glFinish so nothing is left
// queued. FX.EnableBloom is forced off or on by replacing its keys in memory; the
// third mode keeps the authored track.
//
// cpu_side: the main thread's own CPU time inside Scene::render (track reads,
// uniform look-ups, draw submission, the driver's vertex work and binning);
// time spent blocked on the rasteriser threads is not in it.
//
// BM_FloorFrame is the same frame with trivial shaders (bench/floor/shaders: every
// vertex fetched and clipped away, the passes without reads or arithmetic): the
// same frame buffers, passes, clears and draw calls, so the real frame against it
// shows how close the demo is to what its fixed design costs on this machine.
#include "BenchSupport.h"
#include "audio/Mp3Decoder.h"
#include "engine/Engine.h"
#include "scene/ObjectList.h"
#include "timeline/TrackStore.h"

#include <GL/glew.h>
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <unistd.h>
#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#else
#define CALLGRIND_TOGGLE_COLLECT
#endif

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace bench_support;

constexpr int kWidth = 1280;
constexpr int kHeight = 720;
constexpr double kFrameRate = 60.0;
constexpr float kMusicBpm = 110.0f;
constexpr const char* kMusicPath = "res/audio/melody.mp3";
constexpr const char* kTitle = "bench_frame";
constexpr const char* kEnableBloom = "FX.EnableBloom";
constexpr int kAuthoredBloom = -1;
// Frames sampled per configuration; overridden by BENCH_FRAME_SAMPLES.
constexpr int kDefaultSamples = 180;
// Driver shader variants are compiled on first use; these frames are not counted.
constexpr int kWarmUpFrames = 4;

Engine engine;
namespace fs = std::filesystem;

int sampleCount()
{
    const char* text = std::getenv("BENCH_FRAME_SAMPLES");
    int count = text != nullptr ? std::atoi(text) : kDefaultSamples;
    return count > 1 ? count : kDefaultSamples;
}

double musicSeconds()
{
    Mp3Decoder decoder;
    if (decoder.open(kMusicPath) != 0 || decoder.rate <= 0) {
        return -1.0;
    }
    return static_cast<double>(decoder.lengthFrames) / decoder.rate;
}

double wallSeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// A working folder like the repository's, whose shaders are the trivial ones
// where bench/floor/shaders has a file of the same name; empty on failure.
std::string floorFolder()
{
    std::error_code error;
    const fs::path root = sourceRoot();
    const fs::path folder = fs::temp_directory_path(error) / ("morlenth-floor-" + std::to_string(getpid()));
    fs::remove_all(folder, error);
    fs::create_directories(folder / "res", error);
    fs::copy(root / "res/shaders", folder / "res/shaders", error);
    fs::copy(root / "bench/floor/shaders", folder / "res/shaders", fs::copy_options::overwrite_existing, error);
    for (const char* data : {"audio", "sync", "textures"}) {
        fs::create_directory_symlink(root / "res" / data, folder / "res" / data, error);
    }
    return error ? std::string() : folder.string();
}

// The demo's start-up without the audio device, in the given working folder:
// window, GL, sync device on res/sync/, scene, objects.
bool startDemo(int samples, int bloom, const std::string& folder)
{
    if (chdir(folder.c_str()) != 0 || SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        return false;
    }
    SDL_LogSetAllPriority(SDL_LOG_PRIORITY_WARN);
    Engine::instance = &engine;
    if (!engine.window.create(kTitle, kWidth, kHeight, samples, false)) {
        return false;
    }
    glewExperimental = GL_TRUE;
    if (glewInit() != GLEW_OK) {
        return false;
    }
    while (glGetError() != GL_NO_ERROR) {
    }
    engine.soundtrack.bpm = kMusicBpm;
    if (!engine.syncDevice.init(&engine.soundtrack)) {
        return false;
    }
    if (bloom != kAuthoredBloom) {
        setConstantTrack(engine.syncDevice.store, kEnableBloom, static_cast<float>(bloom));
    }
    if (!engine.scene.init()) {
        return false;
    }
    addDemoObjects(engine.scene);
    return true;
}

void stopDemo()
{
    engine.syncDevice.shutdown();
    engine.syncDevice.store = nullptr;
    engine.scene.shutdown();
    engine.window.destroy();
    engine.window = Window();
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    Engine::instance = nullptr;
}

struct FrameTimes {
    double total = 0.0;
    double cpuSide = 0.0;
    double swap = 0.0;
};

// Under callgrind (--collect-atstart=no) only the sampled frames' Scene::render is
// counted, not the warm-up frames that compile the driver's shader variants.
FrameTimes renderFrame(double seconds, bool sampled = false)
{
    FrameTimes times;
    const double start = wallSeconds();
    engine.window.pollEvents();
    engine.syncDevice.row = rowFromSeconds(static_cast<float>(seconds), kMusicBpm);
    const double cpuStart = threadCpuSeconds();
    if (sampled) {
        CALLGRIND_TOGGLE_COLLECT;
    }
    engine.scene.render(static_cast<float>(seconds));
    if (sampled) {
        CALLGRIND_TOGGLE_COLLECT;
    }
    times.cpuSide = threadCpuSeconds() - cpuStart;
    const double swapStart = wallSeconds();
    engine.window.swap();
    glFinish();
    const double end = wallSeconds();
    times.swap = end - swapStart;
    times.total = end - start;
    return times;
}

// Visible objects draw once each (the cube eight times); the rings always draw.
int drawCalls()
{
    SyncDevice& sync = engine.syncDevice;
    int calls = 2;
    calls += sync.getBool("Grid.Visible") ? 1 : 0;
    calls += sync.getBool("Cube.Visible") ? 8 : 0;
    calls += sync.getBool("Needles.Visible") ? 512 : 0;
    calls += sync.getBool("Flakes.Visible") ? 512 : 0;
    return calls;
}

double percentile(std::vector<double> values, double fraction)
{
    std::sort(values.begin(), values.end());
    const size_t index = static_cast<size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

double mean(const std::vector<double>& values)
{
    double sum = 0.0;
    for (double value : values) {
        sum += value;
    }
    return sum / static_cast<double>(values.size());
}

void runFrames(benchmark::State& state, const std::string& folder)
{
    const int samples = static_cast<int>(state.range(0));
    const int bloom = static_cast<int>(state.range(1));
    const double duration = (chdir(sourceRoot().c_str()) == 0) ? musicSeconds() : -1.0;
    if (duration <= 0.0) {
        state.SkipWithError("res/audio/melody.mp3 cannot be read");
        return;
    }
    if (folder.empty() || !startDemo(samples, bloom, folder)) {
        state.SkipWithError("no GL 3.3 window or the scene failed to start (run under xvfb-run)");
        return;
    }
    const int count = sampleCount();
    const double lastFrame = std::floor(duration * kFrameRate) - 1.0;
    for (int i = 0; i < kWarmUpFrames; ++i) {
        renderFrame(duration * i / kWarmUpFrames);
    }

    std::vector<double> totalMs;
    std::vector<double> cpuMs;
    std::vector<double> swapMs;
    double calls = 0.0;
    int index = 0;
    for (auto _ : state) {
        // Frame numbers of the 60 fps timeline, spread from the first to the last.
        const double frame = std::floor(lastFrame * index / (count - 1));
        const FrameTimes times = renderFrame(frame / kFrameRate, true);
        state.SetIterationTime(times.total);
        totalMs.push_back(times.total * 1000.0);
        cpuMs.push_back(times.cpuSide * 1000.0);
        swapMs.push_back(times.swap * 1000.0);
        calls += drawCalls();
        ++index;
    }
    state.SetLabel(reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    stopDemo();

    const double median = percentile(totalMs, 0.5);
    state.counters["median_ms"] = median;
    state.counters["p95_ms"] = percentile(totalMs, 0.95);
    state.counters["p99_ms"] = percentile(totalMs, 0.99);
    state.counters["max_ms"] = percentile(totalMs, 1.0);
    state.counters["fps_median"] = 1000.0 / median;
    state.counters["fps_mean"] = 1000.0 / mean(totalMs);
    state.counters["cpu_side_median_ms"] = percentile(cpuMs, 0.5);
    state.counters["cpu_side_p95_ms"] = percentile(cpuMs, 0.95);
    state.counters["cpu_side_share"] = percentile(cpuMs, 0.5) / median;
    state.counters["swap_median_ms"] = percentile(swapMs, 0.5);
    state.counters["draw_calls_mean"] = calls / static_cast<double>(totalMs.size());
    state.counters["music_s"] = duration;
    double load[1] = {0.0};
    getloadavg(load, 1);
    state.counters["load_average"] = load[0];
}

void BM_DemoFrame(benchmark::State& state)
{
    runFrames(state, sourceRoot());
}

void BM_FloorFrame(benchmark::State& state)
{
    const std::string folder = floorFolder();
    runFrames(state, folder);
    std::error_code error;
    fs::remove_all(folder, error);
}

void frameArguments(benchmark::internal::Benchmark* benchmark)
{
    benchmark->ArgNames({"msaa", "bloom"});
    for (int samples : {0, 4}) {
        for (int bloom : {0, 1}) {
            benchmark->Args({samples, bloom});
        }
    }
    benchmark->Args({4, kAuthoredBloom});
}

}

BENCHMARK(BM_DemoFrame)
    ->Apply(frameArguments)
    ->Iterations(sampleCount())
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// The floor at the demo's own setting, bloom on, with and without multisampling.
BENCHMARK(BM_FloorFrame)
    ->ArgNames({"msaa", "bloom"})
    ->Args({0, 1})
    ->Args({4, 1})
    ->Iterations(sampleCount())
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
