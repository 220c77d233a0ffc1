#include "timeline/TrackFileLayout.h"

#include "timeline/FileAccess.h"

#include <cstring>
#include <filesystem>

namespace {

constexpr const char* kTrackPrefix = "_";
constexpr const char* kTrackExtension = ".track";

}

// Assembled byte by byte so the files read the same on hosts of either byte order.
int32_t decodeTrackInt32(const unsigned char* bytes)
{
    uint32_t bits = static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
                    (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
    int32_t value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void encodeTrackInt32(int32_t value, unsigned char* bytes)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    for (int i = 0; i < 4; ++i) {
        bytes[i] = static_cast<unsigned char>(bits >> (8 * i));
    }
}

TrackKey decodeTrackKey(const unsigned char* bytes)
{
    TrackKey key;
    key.row = decodeTrackInt32(bytes);
    int32_t valueBits = decodeTrackInt32(bytes + 4);
    std::memcpy(&key.value, &valueBits, sizeof key.value);
    key.interpolation = static_cast<int8_t>(bytes[8]);
    return key;
}

void encodeTrackKey(const TrackKey& key, unsigned char* bytes)
{
    encodeTrackInt32(key.row, bytes);
    int32_t valueBits;
    std::memcpy(&valueBits, &key.value, sizeof valueBits);
    encodeTrackInt32(valueBits, bytes + 4);
    bytes[8] = static_cast<unsigned char>(static_cast<int8_t>(key.interpolation));
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
