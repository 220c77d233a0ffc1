#include "BenchSupport.h"
#include "engine/Engine.h"
#include "scene/ObjectList.h"
#include "timeline/TrackStore.h"

#include <GL/glew.h>
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <cstdlib>
#include <string>

// One whole frame of the demo scene at 1280 x 720 with 4x MSAA and bloom on,
// every object visible: Scene::render (camera, 1,035 draw calls, post
// processing) followed by glFinish, timed on the wall clock. The CPU side
// (track reads, uniform look-ups, draw submission) is the main thread's own
// CPU time inside Scene::render; the driver may block the call while it waits
// for its rendering (llvmpipe does before the post processor samples the scene
// image), so that wait counts as rendering, as does what glFinish waits for.
namespace {

using namespace bench_support;

constexpr int kWidth = 1280;
constexpr int kHeight = 720;
constexpr int kSamples = 4;

SDL_Window* window = nullptr;
Engine engine;
bool sceneReady = false;

bool openWindow()
{
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        return false;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    window = SDL_CreateWindow("bench_scene", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, kWidth, kHeight,
                              SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (window == nullptr || SDL_GL_CreateContext(window) == nullptr) {
        return false;
    }
    glewExperimental = GL_TRUE;
    if (glewInit() != GLEW_OK) {
        return false;
    }
    while (glGetError() != GL_NO_ERROR) {
    }
    glViewport(0, 0, kWidth, kHeight);
    return true;
}

// Tracks held in memory as single constant keys: no file is read.
FILE* openNothing(const char*, const char*) { return nullptr; }

void showEverything(TrackStore* store)
{
    const struct {
        const char* name;
        float value;
    } tracks[] = {
        {"Camera.Mode", 1.0f},     {"Camera.Distance", 80.0f}, {"Camera.Pitch", 30.0f},  {"Grid.Visible", 1.0f},
        {"Grid.Noise1", 1.0f},     {"Grid.Noise2", 0.5f},      {"Grid.NoiseMagnitude", 6.0f},
        {"Ring1.Progress", 1.0f},  {"Ring2.Progress", 1.0f},   {"Cube.Visible", 1.0f},   {"Cube.Scale", 7.0f},
        {"Flakes.Visible", 1.0f},  {"Flakes.Time", 3.0f},      {"Flakes.Fade", 1.0f},    {"Needles.Visible", 1.0f},
        {"Needles.Time", 2.0f},    {"Needles.Fade", 1.0f},     {"FX.EnableBloom", 1.0f}, {"FX.HighPassCutoff", 0.5f},
        {"FX.BlurMagnitude", 1.0f}, {"FX.BloomDry", 1.0f},     {"FX.BloomWet", 0.6f},    {"FX.Exposure", 1.0f},
        {"FX.Fade", 1.0f},
    };
    for (const auto& track : tracks) {
        setConstantTrack(store, track.name, track.value);
    }
}

// With every object hidden only the clear, the camera and the post processor
// remain: the difference to a full frame is the objects' share.
void setObjectsVisible(TrackStore* store, bool visible)
{
    float value = visible ? 1.0f : 0.0f;
    for (const char* name : {"Grid.Visible", "Ring1.Progress", "Ring2.Progress", "Cube.Visible", "Flakes.Visible",
                             "Needles.Visible"}) {
        setConstantTrack(store, name, value);
    }
}

bool startScene()
{
    if (sceneReady) {
        return true;
    }
    if (!openWindow() || chdir(sourceRoot().c_str()) != 0) {
        return false;
    }
    Engine::instance = &engine;
    engine.window.width = kWidth;
    engine.window.height = kHeight;
    engine.window.msaaSamples = kSamples;
    engine.syncDevice.store = createTrackStore("unused/");
    engine.syncDevice.store->openFile = openNothing;
    showEverything(engine.syncDevice.store);
    if (!engine.scene.init()) {
        return false;
    }
    addDemoObjects(engine.scene);
    sceneReady = true;
    return true;
}

void BM_SceneFrame(benchmark::State& state)
{
    if (!startScene()) {
        state.SkipWithError("no GL 3.3 context or the scene failed to start");
        return;
    }
    setObjectsVisible(engine.syncDevice.store, state.range(0) != 0);
    state.SetLabel(state.range(0) != 0 ? "all objects visible" : "objects hidden, post only");
    using Clock = std::chrono::steady_clock;
    double cpuSeconds = 0.0;
    double wallSeconds = 0.0;
    float time = 0.0f;
    for (auto _ : state) {
        Clock::time_point start = Clock::now();
        double cpuStart = threadCpuSeconds();
        engine.scene.render(time);
        cpuSeconds += threadCpuSeconds() - cpuStart;
        glFinish();
        double frame = std::chrono::duration<double>(Clock::now() - start).count();
        wallSeconds += frame;
        state.SetIterationTime(frame);
        time += 1.0f / 60.0f;
    }
    double frames = static_cast<double>(state.iterations());
    state.counters["cpu_side_ms"] = cpuSeconds * 1000.0 / frames;
    state.counters["rendering_ms"] = (wallSeconds - cpuSeconds) * 1000.0 / frames;
    state.counters["fps"] = frames / wallSeconds;
}

BENCHMARK(BM_SceneFrame)->Arg(1)->Arg(0)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(3.0);

}

BENCHMARK_MAIN();
