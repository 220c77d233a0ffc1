#include "app/TimelineReloader.h"

#include "edit/TimelineTracks.h"

#include "authoring/TrackFileWriter.h"

#include <SDL.h>

#include <chrono>
#include <filesystem>

namespace {

constexpr const char* kTrackDirectory = "res/sync/";
constexpr uint64_t kPollIntervalMs = 200;

double millisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

}

bool TimelineReloader::load(const std::string& path, SyncDevice& sync, StudioLog& log)
{
    watch.watch(path);
    displayName = std::filesystem::path(path).filename().string();
    std::string read;
    std::string problem;
    if (!readTimelineText(path, read, problem)) {
        log.error("studio: cannot read the timeline " + path + ": " + problem);
        return false;
    }
    compileText(read, sync, log);
    return true;
}

void TimelineReloader::poll(SyncDevice& sync, StudioLog& log)
{
    uint64_t now = SDL_GetTicks64();
    if (now - lastPollMs < kPollIntervalMs) {
        return;
    }
    lastPollMs = now;
    if (watch.poll()) {
        compile(sync, log);
    }
}

bool TimelineReloader::compile(SyncDevice& sync, StudioLog& log)
{
    std::string read;
    std::string problem;
    if (!readTimelineText(watch.path, read, problem)) {
        errors = {displayName + ":0: cannot be read: " + problem};
        return reportErrors(log);
    }
    return compileText(read, sync, log);
}

bool TimelineReloader::compileText(const std::string& read, SyncDevice& sync, StudioLog& log)
{
    text = read;
    ++reads;
    if (!compileQuietly(text, sync)) {
        return reportErrors(log);
    }
    log.info("timeline: " + std::to_string(tracks.size()) + " tracks from " + displayName + " in " +
             std::to_string(lastCompileMs) + " ms");
    return true;
}

bool TimelineReloader::wrote(const std::string& written, SyncDevice& sync, StudioLog& log)
{
    text = written;
    watch.watch(watch.path);
    if (!compileQuietly(text, sync)) {
        return reportErrors(log);
    }
    return true;
}

bool TimelineReloader::compileQuietly(const std::string& source, SyncDevice& sync)
{
    auto start = std::chrono::steady_clock::now();
    TimelineParser parser;
    if (!parser.parse(source)) {
        errors.clear();
        for (const SourceError& error : parser.errors) {
            errors.push_back(displayName + ":" + std::to_string(error.line) + ": " + error.message);
        }
    } else {
        TrackStore* store = buildTrackStore(parser.tracks, kTrackDirectory);
        if (store == nullptr) {
            errors = {displayName + ":0: out of memory while building the tracks"};
        } else {
            TrackStore* old = sync.store;
            sync.store = store;
            destroyTrackStore(old);
            errors.clear();
        }
    }
    lastCompileMs = millisecondsSince(start);
    if (!errors.empty()) {
        return false;
    }
    tracks = std::move(parser.tracks);
    markers = std::move(parser.markers);
    return true;
}

bool TimelineReloader::reportErrors(StudioLog& log)
{
    for (const std::string& error : errors) {
        log.error(error);
    }
    log.info("timeline: kept the previous tracks");
    return false;
}

bool TimelineReloader::save(StudioLog& log)
{
    if (!errors.empty()) {
        log.error("studio: " + displayName + " has errors; the track files stay as they are");
        return false;
    }
    std::string error;
    if (!writeTrackFiles(tracks, kTrackDirectory, error)) {
        log.error("studio: " + error);
        return false;
    }
    log.info("studio: wrote " + std::to_string(tracks.size()) + " track files to " + kTrackDirectory);
    return true;
}
