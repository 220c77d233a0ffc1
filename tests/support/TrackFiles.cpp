#include "TrackFiles.h"

#include "TestPaths.h"

#include <cstdint>
#include <cstring>

namespace testing_support {

namespace {

void appendBytes(std::string& out, const void* data, size_t size)
{
    out.append(static_cast<const char*>(data), size);
}

}

std::string le32(int32_t value)
{
    std::string bytes;
    appendBytes(bytes, &value, 4);
    return bytes;
}

std::string keyBytes(int32_t row, float value, int interpolation)
{
    std::string bytes = le32(row);
    appendBytes(bytes, &value, 4);
    bytes.push_back(static_cast<char>(interpolation));
    return bytes;
}

void writeTrackFile(const std::string& dir, const std::string& name, const std::vector<TrackKey>& keys)
{
    std::string bytes = le32(static_cast<int32_t>(keys.size()));
    for (const TrackKey& key : keys) {
        bytes += keyBytes(key.row, key.value, key.interpolation);
    }
    std::string path = dir;
    if (!path.empty() && path.back() != '/') {
        path += '/';
    }
    writeFile(path + "_" + name + ".track", bytes);
}

void writeConstantTrack(const std::string& dir, const std::string& name, float value)
{
    writeTrackFile(dir, name, {TrackKey{0, value, Step}});
}

}
