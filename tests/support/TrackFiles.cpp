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

void writeTrackFile(const std::string& dir, const std::string& name, const std::vector<TrackKey>& keys)
{
    std::string bytes;
    int32_t count = static_cast<int32_t>(keys.size());
    appendBytes(bytes, &count, 4);
    for (const TrackKey& key : keys) {
        appendBytes(bytes, &key.row, 4);
        appendBytes(bytes, &key.value, 4);
        int8_t type = static_cast<int8_t>(key.interpolation);
        appendBytes(bytes, &type, 1);
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
