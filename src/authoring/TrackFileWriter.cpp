#include "authoring/TrackFileWriter.h"

#include "authoring/FileAccess.h"
#include "timeline/TrackFileLayout.h"

#include <filesystem>

namespace {

constexpr const char* kTrackPrefix = "_";
constexpr const char* kTrackExtension = ".track";

}

bool writeTrackFile(const std::string& path, const std::vector<TrackKey>& keys, std::string& problem)
{
    std::string bytes(kTrackCountBytes + keys.size() * kTrackKeyBytes, '\0');
    unsigned char* data = reinterpret_cast<unsigned char*>(&bytes[0]);
    encodeTrackInt32(static_cast<int32_t>(keys.size()), data);
    for (size_t i = 0; i < keys.size(); ++i) {
        encodeTrackKey(keys[i], data + kTrackCountBytes + i * kTrackKeyBytes);
    }
    return replaceFile(path, bytes, problem);
}

bool writeTrackFiles(const std::vector<SourceTrack>& tracks, const std::string& dir, std::string& problem)
{
    namespace fs = std::filesystem;
    std::error_code error;
    fs::create_directories(dir, error);
    if (!fs::is_directory(dir)) {
        problem = "cannot make the folder " + dir + ": " +
                  (error ? error.message() : std::string("something else of that name is in the way"));
        return false;
    }
    for (const SourceTrack& track : tracks) {
        std::string path = (fs::path(dir) / (kTrackPrefix + track.name + kTrackExtension)).string();
        std::string why;
        if (!writeTrackFile(path, track.keys, why)) {
            problem = "cannot write " + path + ": " + why;
            return false;
        }
    }
    return true;
}
