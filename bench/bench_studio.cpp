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
//   EditToText      from an edit key (a dope sheet nudge: one key's value) to its text
//                   on disk, on a copy of demo.timeline beside this program: text_ms
//                   (the file read and compared, the edit applied and parsed),
//                   write_nosync_ms (the same bytes written and renamed without fsync),
//                   write_ms (replaceFile with its fsyncs), swap_ms (compile and swap);
//                   frames_to_show counts the frames until the sync device reads it
//   MusicAnalysis   the analysis the studio starts beside its first frame, on its own
//                   thread: the whole res/audio/melody.mp3 decoded, its waveform pyramid
//                   and its onsets (decode_ms, pyramid_ms, onsets_ms), and how the onsets
//                   meet the drum lanes of melody.events within one row (no window needed)
//   MusicLanes      the overlay's CPU time with the music's lanes under the curves and
//                   without them, frames taken in turn in one run: with_ms, without_ms
//                   (medians), lanes_ms (the difference), lanes_layout_ms (its part in
//                   ImGui's layout) and ratio, once the waveform is in
// The overlay is timed with the dope sheet and the curves of four tracks shown, the
// music's lanes under them;
// picture_ms is the scene's frame, finished, beside it.
#include "BenchSupport.h"
#include "app/Studio.h"
#include "edit/TimelineTracks.h"
#include "music/MusicAnalysis.h"
#include "music/MusicEvents.h"
#include "music/OnsetScore.h"

#include "authoring/TimelineParser.h"
#include "timeline/SyncDevice.h"

#include <GL/glew.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

namespace {

using namespace bench_support;

constexpr const char* kTimelinePath = "res/sync/demo.timeline";
constexpr const char* kTrackDirectory = "res/sync/";
constexpr double kBarRows = 64.0;
constexpr int kMaxFramesToNewRow = 8;
// The waveform is decoded beside the first frames: a fifth of a second, far less than this.
constexpr int kMaxFramesForWaveform = 600;
constexpr const char* kEditedTrack = "FX.Exposure";
constexpr int32_t kEditedRow = 16 * 64;  // @main
constexpr float kNudge = 0.01f;
const std::vector<std::string> kShownTracks = {"FX.Exposure", "FX.Fade", "Camera.Distance", "Camera.Yaw"};
constexpr const char* kMusicPath = "/res/audio/melody.mp3";
constexpr double kMusicBpm = 110.0;
constexpr double kOnsetToleranceRows = 1.0;
constexpr auto kAnalysisPoll = std::chrono::microseconds(200);

std::string editedTimeline;

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
    studio->overlay.selectTracks(kShownTracks);
    double pictureTotal = 0.0;
    for (auto _ : state) {
        auto pictureStart = std::chrono::steady_clock::now();
        engine.syncDevice.row = static_cast<float>(studio->transport.row);
        engine.scene.render(static_cast<float>(studio->transport.seconds()));
        glFinish();
        pictureTotal += secondsSince(pictureStart);
        double start = threadCpuSeconds();
        if (part != 2) {
            studio->overlay.build(studio->panelInput(), *studio);
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
    state.counters["picture_ms"] = 1000.0 * pictureTotal / static_cast<double>(state.iterations());
}

// Frames with and without the lanes alternate, so that both see the same machine; the
// medians keep a frame that another process interrupted out of the difference.
void LanesFrame(benchmark::State& state)
{
    Engine& engine = studio->engine;
    studio->overlay.selectTracks(kShownTracks);
    for (int frame = 0; frame < kMaxFramesForWaveform && studio->panelInput().waveform == nullptr; ++frame) {
        studio->step();
    }
    if (studio->panelInput().waveform == nullptr) {
        state.SkipWithError("the music's analysis did not finish");
        return;
    }
    std::vector<double> milliseconds[2];
    std::vector<double> built[2];
    for (auto _ : state) {
        const bool lanes = milliseconds[0].size() <= milliseconds[1].size();
        studio->overlay.showMusic(lanes);
        engine.syncDevice.row = static_cast<float>(studio->transport.row);
        engine.scene.render(static_cast<float>(studio->transport.seconds()));
        glFinish();
        double start = threadCpuSeconds();
        studio->overlay.build(studio->panelInput(), *studio);
        double layout = threadCpuSeconds() - start;
        studio->overlay.submit();
        double took = threadCpuSeconds() - start;
        milliseconds[lanes ? 0 : 1].push_back(1000.0 * took);
        built[lanes ? 0 : 1].push_back(1000.0 * layout);
        state.SetIterationTime(took);
        engine.window.swap();
        glFinish();
    }
    studio->overlay.showMusic(true);
    auto median = [](std::vector<double> values) {
        std::nth_element(values.begin(), values.begin() + static_cast<long>(values.size() / 2), values.end());
        return values.empty() ? 0.0 : values[values.size() / 2];
    };
    const double with = median(milliseconds[0]);
    const double without = median(milliseconds[1]);
    state.counters["with_ms"] = with;
    state.counters["without_ms"] = without;
    state.counters["lanes_ms"] = with - without;
    state.counters["ratio"] = without > 0.0 ? with / without : 0.0;
    // Of the difference, what ImGui's layout took; the rest is the hand-over to the GL.
    state.counters["lanes_layout_ms"] = median(built[0]) - median(built[1]);
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

// The same bytes replaced without the fsyncs, to tell the disk's flush from the rest.
double unsyncedWriteSeconds(const std::string& bytes)
{
    auto start = std::chrono::steady_clock::now();
    std::string temporary = editedTimeline + ".unsynced";
    {
        std::ofstream out(temporary, std::ios::binary);
        out << bytes;
    }
    std::rename(temporary.c_str(), (editedTimeline + ".copy").c_str());
    return secondsSince(start);
}

void EditToText(benchmark::State& state)
{
    double text = 0.0;
    double write = 0.0;
    double swap = 0.0;
    double unsynced = 0.0;
    int frames = 0;
    int step = 0;
    for (auto _ : state) {
        float value = 0.5f + kNudge * static_cast<float>(++step % 2);
        TimelineEdit edit = setKeyEdit(kEditedTrack, kEditedRow, value);
        std::string message;
        auto start = std::chrono::steady_clock::now();
        if (!studio->editor.apply({edit}, message)) {
            state.SkipWithError(message.c_str());
            break;
        }
        state.SetIterationTime(secondsSince(start));
        text += studio->editor.lastTextMs;
        write += studio->editor.lastWriteMs;
        swap += studio->editor.lastSwapMs;
        unsynced += 1000.0 * unsyncedWriteSeconds(studio->editor.document.text);
        int taken = 0;
        Track* track = getTrack(studio->engine.syncDevice.store, kEditedTrack);
        do {
            finishedStep();
            ++taken;
        } while (static_cast<float>(trackValue(track, kEditedRow)) != value && taken < kMaxFramesToNewRow);
        frames += taken;
    }
    double count = static_cast<double>(state.iterations());
    state.counters["text_ms"] = text / count;
    state.counters["write_ms"] = write / count;
    state.counters["write_nosync_ms"] = unsynced / count;
    state.counters["swap_ms"] = swap / count;
    state.counters["frames_to_show"] = static_cast<double>(frames) / count;
}

// Needs no window: the analysis runs as the studio starts it, and is timed by its own clock.
void AnalyseMusic(benchmark::State& state)
{
    const std::string music = sourceRoot() + kMusicPath;
    MusicEvents events;
    std::string error;
    if (!events.load(music, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    const std::vector<double> drumRows = percussionRows(events);
    double decode = 0.0;
    double pyramid = 0.0;
    double onsets = 0.0;
    OnsetScore score;
    for (auto _ : state) {
        MusicAnalysis analysis;
        analysis.start(music, true);
        while (!analysis.ready()) {
            std::this_thread::sleep_for(kAnalysisPoll);
        }
        if (!analysis.error.empty()) {
            state.SkipWithError(analysis.error.c_str());
            break;
        }
        state.SetIterationTime(analysis.elapsedMs / 1000.0);
        decode += analysis.decodeMs;
        pyramid += analysis.pyramidMs;
        onsets += analysis.onsetsMs;
        std::vector<double> foundRows;
        for (double seconds : analysis.onsetSeconds()) {
            foundRows.push_back(seconds * rowsPerSecond(kMusicBpm));
        }
        score = scoreOnsets(foundRows, drumRows, kOnsetToleranceRows);
    }
    const double count = static_cast<double>(std::max<benchmark::IterationCount>(1, state.iterations()));
    state.counters["decode_ms"] = decode / count;
    state.counters["pyramid_ms"] = pyramid / count;
    state.counters["onsets_ms"] = onsets / count;
    state.counters["onsets_found"] = static_cast<double>(score.found);
    state.counters["drum_rows"] = static_cast<double>(score.events);
    state.counters["onset_recall_pct"] = 100.0 * score.recall;
    state.counters["onset_precision_pct"] = 100.0 * score.precision;
}

bool startStudio()
{
    static Studio instance;
    // Edits go to a copy beside this program, on the disk the build lives on.
    std::string binDir = std::filesystem::canonical("/proc/self/exe").parent_path().string();
    editedTimeline = binDir + "/bench_studio.timeline";
    if (chdir(sourceRoot().c_str()) != 0) {
        return false;
    }
    std::error_code error;
    std::filesystem::copy_file(kTimelinePath, editedTimeline, std::filesystem::copy_options::overwrite_existing, error);
    StudioOptions options;
    options.from = "@main";
    options.paused = true;
    options.timeline = editedTimeline;
    studio = &instance;
    return studio->init(options);
}

}

BENCHMARK(TimelineReload)->Unit(benchmark::kMillisecond);
BENCHMARK(OverlayFrame)->ArgName("part")->Arg(0)->Arg(1)->Arg(2)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(60);
BENCHMARK(SeekLatency)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);
BENCHMARK(EditToText)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(40);
BENCHMARK(LanesFrame)->Name("MusicLanes")->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(300);
BENCHMARK(AnalyseMusic)->Name("MusicAnalysis")->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(8);

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
