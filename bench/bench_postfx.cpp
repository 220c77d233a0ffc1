#include "BenchSupport.h"
#include "engine/Engine.h"
#include "postfx/PostProcessor.h"
#include "timeline/TrackStore.h"

#include <GL/glew.h>
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

// Cost of one PostProcessor::apply at 1280 x 720, waited for with glFinish so the
// GPU's (or llvmpipe's) work is inside the measurement. Each iteration also clears
// the window, as the scene does before every frame.
namespace {

using namespace bench_support;

constexpr int kWidth = 1280;
constexpr int kHeight = 720;

SDL_Window* window = nullptr;
Engine engine;

bool openWindow()
{
    if (window != nullptr) {
        return true;
    }
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        return false;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    window = SDL_CreateWindow("bench_postfx", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, kWidth, kHeight,
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
    // The state the scene keeps for the whole run.
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glFrontFace(GL_CCW);
    return true;
}

// Every FX track as a single constant key, held in memory: no file is read.
FILE* openNothing(const char*, const char*) { return nullptr; }

void useTracks(bool bloom)
{
    destroyTrackStore(engine.syncDevice.store);
    TrackStore* store = createTrackStore("unused/");
    store->openFile = openNothing;
    const struct {
        const char* name;
        float value;
    } tracks[] = {
        {"FX.EnableBloom", bloom ? 1.0f : 0.0f}, {"FX.RenderDepth", 0.0f}, {"FX.HighPassCutoff", 0.5f},
        {"FX.BlurMagnitude", 2.0f}, {"FX.Fade", 1.0f}, {"FX.BloomDry", 1.0f}, {"FX.BloomWet", 1.0f},
        {"FX.Exposure", 0.0f}, {"FX.Flash", 0.0f}, {"FX.Vignette", 0.5f}, {"FX.BG_R", 0.1f},
        {"FX.BG_G", 0.0f}, {"FX.BG_B", 0.2f}, {"FX.BG_A", 0.3f},
    };
    for (const auto& track : tracks) {
        setConstantTrack(store, track.name, track.value);
    }
    engine.syncDevice.store = store;
    engine.syncDevice.row = 0.0f;
}

void frame(PostProcessor& postProcessor, FrameBuffer& scene)
{
    glViewport(0, 0, kWidth, kHeight);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    postProcessor.apply(scene);
    glFinish();
}

void BM_PostProcessorApply(benchmark::State& state)
{
    const int samples = static_cast<int>(state.range(0));
    const bool bloom = state.range(1) != 0;
    if (!openWindow() || chdir(sourceRoot().c_str()) != 0) {
        state.SkipWithError("no GL window (run under a display or xvfb-run)");
        return;
    }
    Engine::instance = &engine;
    engine.window.width = kWidth;
    engine.window.height = kHeight;
    engine.window.msaaSamples = samples;
    useTracks(bloom);

    PostProcessor postProcessor;
    FrameBuffer scene;
    if (!postProcessor.init() || !scene.create(kWidth, kHeight, 1, true, GL_RGBA16F, samples)) {
        state.SkipWithError("post processor or scene buffer failed to initialise");
        return;
    }
    // Something bright in the scene; the passes cost the same whatever it shows.
    glClearColor(0.6f, 0.3f, 0.9f, 1.0f);
    scene.bind(true);
    scene.unbind();
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    frame(postProcessor, scene); // first use compiles the drivers' shader variants

    for (auto _ : state) {
        frame(postProcessor, scene);
    }
    state.SetLabel(std::string(reinterpret_cast<const char*>(glGetString(GL_RENDERER))));

    postProcessor.release();
    scene.release();
}

}

BENCHMARK(BM_PostProcessorApply)
    ->ArgNames({"msaa", "bloom"})
    ->Args({4, 0})
    ->Args({4, 1})
    ->Args({0, 0})
    ->Args({0, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

BENCHMARK_MAIN();
