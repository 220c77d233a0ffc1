#include "Commands.h"

#include "TrackFileBytes.h"
#include "authoring/TimelineParser.h"
#include "authoring/TrackFileWriter.h"
#include "authoring/TrackText.h"

#include "timeline/TrackStore.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <iterator>

namespace fs = std::filesystem;

namespace {

constexpr const char* kTrackPrefix = "_";
constexpr const char* kTrackExtension = ".track";
constexpr int kPositionColumn = 12;
constexpr int kValueColumn = 14;

// "_FX.Fade.track" holds the track "FX.Fade".
std::string trackNameOfFile(const std::string& path)
{
    std::string name = fs::path(path).filename().string();
    if (name.compare(0, 1, kTrackPrefix) == 0) {
        name.erase(0, 1);
    }
    std::string extension = kTrackExtension;
    if (name.size() > extension.size() && name.compare(name.size() - extension.size(), extension.size(), extension) == 0) {
        name.erase(name.size() - extension.size());
    }
    return name;
}

void printKey(const TrackKey& key)
{
    const char* interpolation = interpolationName(key.interpolation);
    std::string type = interpolation != nullptr ? interpolation : std::to_string(key.interpolation);
    std::printf("    %-*s %-*s %-7s # row %d\n", kPositionColumn, formatPosition(key.row).c_str(), kValueColumn,
                formatValue(key.value).c_str(), type.c_str(), key.row);
}

bool loadLikeTheDemo(const std::string& path, Track& track, std::string& problem)
{
    // The demo would read a folder as a track without keys; here it is a wrong argument.
    if (fs::is_directory(path)) {
        problem = "is a folder";
        return false;
    }
    TrackStore* store = createTrackStore("");
    FILE* file = store != nullptr ? store->openFile(path.c_str(), "rb") : nullptr;
    problem = std::strerror(errno);
    if (file != nullptr) {
        readTrackKeys(store, file, &track);
        store->closeFile(file);
    }
    destroyTrackStore(store);
    return file != nullptr;
}

}

int runBuild(const std::string& sourcePath, const std::string& outputDir)
{
    std::string text;
    std::string problem;
    if (!readTimelineText(sourcePath, text, problem)) {
        std::fprintf(stderr, "synctool: cannot read %s: %s\n", sourcePath.c_str(), problem.c_str());
        return kExitProblems;
    }
    TimelineParser parser;
    if (!parser.parse(text)) {
        for (const SourceError& error : parser.errors) {
            std::fprintf(stderr, "%s:%d: error: %s\n", sourcePath.c_str(), error.line, error.message.c_str());
        }
        return kExitProblems;
    }
    if (!writeTrackFiles(parser.tracks, outputDir, problem)) {
        std::fprintf(stderr, "synctool: %s\n", problem.c_str());
        return kExitProblems;
    }
    std::printf("wrote %zu track files to %s\n", parser.tracks.size(), outputDir.c_str());
    return kExitOk;
}

int runDump(const std::string& trackPath)
{
    TrackFileBytes file;
    std::string problem;
    if (!readTrackFileBytes(trackPath, file, problem)) {
        std::fprintf(stderr, "synctool: cannot read %s: %s\n", trackPath.c_str(), problem.c_str());
        return kExitProblems;
    }
    for (const std::string& problem : findTrackFileProblems(file)) {
        std::fprintf(stderr, "%s: warning: %s\n", trackPath.c_str(), problem.c_str());
    }
    std::printf("# %s: %zu keys\n", fs::path(trackPath).filename().string().c_str(), file.keys.size());
    std::printf("track %s\n", trackNameOfFile(trackPath).c_str());
    for (const TrackKey& key : file.keys) {
        printKey(key);
    }
    return kExitOk;
}

int runEval(const std::string& trackPath, const std::vector<std::string>& rows)
{
    Track track;
    std::string problem;
    if (!loadLikeTheDemo(trackPath, track, problem)) {
        std::fprintf(stderr, "synctool: cannot read %s: %s\n", trackPath.c_str(), problem.c_str());
        return kExitProblems;
    }
    int status = kExitOk;
    for (const std::string& text : rows) {
        char* end = nullptr;
        double row = std::strtod(text.c_str(), &end);
        if (text.empty() || *end != '\0') {
            std::fprintf(stderr, "synctool: '%s' is not a row\n", text.c_str());
            status = kExitUsage;
            continue;
        }
        // The demo keeps its row and reads its values in single precision.
        float value = static_cast<float>(trackValue(&track, static_cast<double>(static_cast<float>(row))));
        std::printf("%.9g\n", static_cast<double>(value));
    }
    std::free(track.keys);
    std::free(track.name);
    return status;
}

int runCheck(const std::string& dir)
{
    std::error_code error;
    std::vector<std::string> paths;
    for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) {
        if (it->path().extension() == kTrackExtension) {
            paths.push_back(it->path().string());
        }
    }
    if (error) {
        std::fprintf(stderr, "synctool: cannot read the folder %s\n", dir.c_str());
        return kExitUsage;
    }
    std::sort(paths.begin(), paths.end());
    size_t problemCount = 0;
    for (const std::string& path : paths) {
        TrackFileBytes file;
        std::string why;
        std::vector<std::string> problems = readTrackFileBytes(path, file, why)
                                                ? findTrackFileProblems(file)
                                                : std::vector<std::string>{"cannot be read: " + why};
        for (const std::string& problem : problems) {
            std::printf("%s: %s\n", path.c_str(), problem.c_str());
        }
        problemCount += problems.size();
    }
    std::printf("checked %zu track files: %zu problems\n", paths.size(), problemCount);
    return problemCount == 0 ? kExitOk : kExitProblems;
}
