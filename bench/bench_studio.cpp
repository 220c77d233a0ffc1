// The studio's own costs, in the studio itself (the repository's Config.txt,
// 1280 x 720, MSAA 4, all 1,028 objects, the dummy audio driver):
//   TimelineReload  parse of the whole res/sync/demo.timeline and the swap of every
//                   track into the sync device, as a save triggers it
//   OverlayFrame    the overlay's CPU time per frame (the main thread's own): one ImGui
//                   frame of every panel, built and submitted, after the scene's frame
//                   is finished (glFinish)
//   SeekLatency     from a key that seeks one bar to the end of the first frame drawn
//                   at the new row (its swap and glFinish); frames_to_new_row counts
//                   the frames that took, plain_frame_ms is a frame without a seek
#include "BenchSupport.h"
#include "Studio.h"
#include "TimelineTracks.h"

#include "timeline/TimelineParser.h"

#include <GL/glew.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <fstream>
#include <iterator>

namespace {

using namespace bench_support;

constexpr const char* kTimelinePath = "res/sync/demo.timeline";
constexpr const char* kTrackDirectory = "res/sync/";
constexpr double kBarRows = 64.0;
constexpr int kMaxFramesToNewRow = 8;

Studio* studio = nullptr;

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void TimelineReload(benchmark::State& state)
{
    std::ifstream in(kTimelinePath, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    TrackStore* current = createTrackStore(kTrackDirectory);
    size_t tracks = 0;
    for (auto _ : state) {
        TimelineParser parser;
        if (!parser.parse(text)) {
            state.SkipWithError("the timeline does not compile");
            break;
        }
        TrackStore* fresh = buildTrackStore(parser.tracks, kTrackDirectory);
        destroyTrackStore(current);
        current = fresh;
        tracks = parser.tracks.size();
    }
    destroyTrackStore(current);
    state.counters["tracks"] = static_cast<double>(tracks);
}

// part 0 times the whole overlay, 1 only its panels (ImGui's layout into draw lists),
// 2 only the hand-over of those lists to the GL, which on a software rasteriser
// includes the driver's vertex work on this thread.
void OverlayFrame(benchmark::State& state)
{
    Engine& engine = studio->engine;
    const int part = static_cast<int>(state.range(0));
    for (auto _ : state) {
        engine.syncDevice.row = static_cast<float>(studio->transport.row);
        engine.scene.render(static_cast<float>(studio->transport.seconds()));
        glFinish();
        double start = threadCpuSeconds();
        if (part != 2) {
            studio->overlay.build(*studio);
        }
        double built = threadCpuSeconds();
        if (part != 1) {
            studio->overlay.submit();
        }
        double submitted = threadCpuSeconds();
        state.SetIterationTime(part == 0 ? submitted - start : part == 1 ? built - start : submitted - built);
        if (part == 1) {
            studio->overlay.submit();
        }
        engine.window.swap();
        glFinish();
    }
}

// One step() of the studio, finished on the GPU; returns its wall time in seconds.
double finishedStep()
{
    auto start = std::chrono::steady_clock::now();
    studio->step();
    glFinish();
    return secondsSince(start);
}

void SeekLatency(benchmark::State& state)
{
    double plainTotal = 0.0;
    int frames = 0;
    for (auto _ : state) {
        plainTotal += finishedStep();
        double target = std::floor(studio->transport.row / kBarRows + 1e-6) * kBarRows + kBarRows;
        auto start = std::chrono::steady_clock::now();
        studio->press(KeyPress{SDLK_RIGHT, true, false, false});
        int taken = 0;
        do {
            studio->step();
            glFinish();
            ++taken;
        } while (std::fabs(static_cast<double>(studio->engine.syncDevice.row) - target) > 0.5 &&
                 taken < kMaxFramesToNewRow);
        state.SetIterationTime(secondsSince(start));
        frames += taken;
        if (studio->transport.row > studio->transport.lengthRows() - 2.0 * kBarRows) {
            studio->transport.seek(0.0);
            studio->step();
        }
    }
    state.counters["frames_to_new_row"] = static_cast<double>(frames) / static_cast<double>(state.iterations());
    state.counters["plain_frame_ms"] = 1000.0 * plainTotal / static_cast<double>(state.iterations());
}

bool startStudio()
{
    if (chdir(sourceRoot().c_str()) != 0) {
        return false;
    }
    static Studio instance;
    StudioOptions options;
    options.from = "@main";
    options.paused = true;
    studio = &instance;
    return studio->init(options);
}

}

BENCHMARK(TimelineReload)->Unit(benchmark::kMillisecond);
BENCHMARK(OverlayFrame)->ArgName("part")->Arg(0)->Arg(1)->Arg(2)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(60);
BENCHMARK(SeekLatency)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (!startStudio()) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    studio->shutdown();
    benchmark::Shutdown();
    return 0;
}
