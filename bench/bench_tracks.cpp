#include "timeline/SyncDevice.h"
#include "timeline/Track.h"
#include "timeline/TrackStore.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kKeysPerTrack = 100;
constexpr int kSwarmObjects = 512;

// The names a frame of the demo reads: the scene's own tracks once, the swarm's per object.
const char* const kSceneNames[] = {
    "Camera.Mode", "Camera.Distance", "Camera.X", "Camera.Y", "Camera.Z", "Camera.Yaw",
    "Camera.Pitch", "Camera.Roll", "Focus.X", "Focus.Y", "Focus.Z", "Grid.Visible",
    "Grid.Noise1", "Grid.Noise2", "Grid.Noise3", "Grid.Noise4", "Grid.NoiseMagnitude",
    "Grid.NoiseScrollX", "Grid.NoiseScrollY", "Grid.CenterGravity", "Ring1.Progress",
    "Ring1.Rotation", "Ring2.Progress", "Ring2.Rotation", "Cube.Visible", "Cube.Z",
    "Cube.Scale", "FX.EnableBloom", "FX.RenderDepth", "FX.HighPassCutoff", "FX.BlurMagnitude",
    "FX.BloomWet", "FX.BloomDry", "FX.Fade", "FX.Exposure", "FX.Flash", "FX.Vignette",
    "FX.BG_R", "FX.BG_G", "FX.BG_B", "FX.BG_A",
};
const char* const kNeedleNames[] = {"Needles.Visible", "Needles.X", "Needles.Y",
                                    "Needles.Z", "Needles.Time", "Needles.Fade"};
const char* const kFlakeNames[] = {"Flakes.Visible", "Flakes.X", "Flakes.Y",
                                   "Flakes.Z", "Flakes.Time", "Flakes.Fade"};

FILE* openNothing(const char*, const char*) { return nullptr; }

void fillKeys(Track* track, int seed)
{
    track->keys = static_cast<TrackKey*>(std::malloc(kKeysPerTrack * sizeof(TrackKey)));
    track->keyCount = kKeysPerTrack;
    for (int i = 0; i < kKeysPerTrack; ++i) {
        track->keys[i] = {i * 24 + (seed % 7), static_cast<float>((i * 37 + seed) % 11), (i + seed) % 4};
    }
}

std::vector<const char*> frameReads()
{
    std::vector<const char*> reads(std::begin(kSceneNames), std::end(kSceneNames));
    for (int object = 0; object < kSwarmObjects; ++object) {
        reads.insert(reads.end(), std::begin(kNeedleNames), std::end(kNeedleNames));
        reads.insert(reads.end(), std::begin(kFlakeNames), std::end(kFlakeNames));
    }
    return reads;
}

// The sync device of a running demo: every track of a frame already loaded.
void prepareDevice(SyncDevice& device, const std::vector<const char*>& reads)
{
    device.store = createTrackStore("res/sync/");
    device.store->openFile = openNothing;
    int seed = 0;
    for (const char* name : reads) {
        Track* track = getTrack(device.store, name);
        if (track->keyCount == 0) {
            fillKeys(track, seed++);
        }
    }
}

void BM_TrackValue100Keys(benchmark::State& state)
{
    Track track;
    fillKeys(&track, 3);
    double row = 0.0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(trackValue(&track, row));
        row += 0.731;
        row = row > 2400.0 ? -1.0 : row;
    }
    std::free(track.keys);
}
BENCHMARK(BM_TrackValue100Keys);

void runFrames(benchmark::State& state, bool useIndex)
{
    std::vector<const char*> reads = frameReads();
    SyncDevice device;
    prepareDevice(device, reads);
    if (!useIndex) {
        device.store->indexedCount = -1;
    }
    float row = 0.0f;
    for (auto _ : state) {
        device.row = row;
        float sum = 0.0f;
        for (const char* name : reads) {
            sum += device.getFloat(name);
        }
        benchmark::DoNotOptimize(sum);
        row = row > 2400.0f ? 0.0f : row + 0.97f;
    }
    state.counters["tracks"] = device.store->trackCount;
    state.counters["reads"] = static_cast<double>(reads.size());
    state.counters["ns_per_read"] = benchmark::Counter(
        static_cast<double>(reads.size()), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    device.shutdown();
}

void BM_GetFloatFrame(benchmark::State& state) { runFrames(state, true); }
BENCHMARK(BM_GetFloatFrame)->Unit(benchmark::kMicrosecond);

// The same frame found by scanning the names in creation order, for comparison.
void BM_GetFloatFrameByScan(benchmark::State& state) { runFrames(state, false); }
BENCHMARK(BM_GetFloatFrameByScan)->Unit(benchmark::kMicrosecond);

}

BENCHMARK_MAIN();
