#include "engine/Config.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

void parseSettingsFile(benchmark::State& state)
{
    const std::string text = "ViewportWidth = 1280;\nViewportHeight = 720;\nMSAA = 4;\nFullscreen = false;\n";
    for (auto _ : state) {
        Config config;
        config.parse(text);
        benchmark::DoNotOptimize(config.entries);
    }
}
BENCHMARK(parseSettingsFile);

// Junk of the given size: one long word, or near-entries that fail late.
void parseJunk(benchmark::State& state)
{
    const size_t size = static_cast<size_t>(state.range(0));
    std::string text;
    if (state.range(1) == 0) {
        text.assign(size, 'x');
    } else {
        while (text.size() < size) {
            text += "MSAA =  4; Key = value ";
        }
    }
    for (auto _ : state) {
        Config config;
        config.parse(text);
        benchmark::DoNotOptimize(config.entries);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(parseJunk)->Args({1 << 20, 0})->Args({1 << 20, 1})->Args({10 << 20, 0})->Unit(benchmark::kMillisecond);

}

BENCHMARK_MAIN();
