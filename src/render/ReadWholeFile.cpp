#include "render/ReadWholeFile.h"

#include <cstdint>
#include <cstdio>

namespace {

// The length of an open file, or -1 when it cannot be found or does not fit the
// signed 32-bit count the callers work with (a truncated read would go unnoticed).
long fileLength(FILE* file)
{
    if (std::fseek(file, 0, SEEK_END) != 0) {
        return -1;
    }
    const long length = std::ftell(file);
    if (length < 0 || length > INT32_MAX || std::fseek(file, 0, SEEK_SET) != 0) {
        return -1;
    }
    return length;
}

}

unsigned char* readWholeFile(const char* path, int32_t* outLength)
{
    FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return nullptr;
    }
    const long length = fileLength(file);
    if (length < 0) {
        std::fclose(file);
        return nullptr;
    }
    unsigned char* bytes = new unsigned char[static_cast<size_t>(length)];
    // A short read (a directory, a file that shrank meanwhile) is as unreadable as a missing file.
    const size_t read = std::fread(bytes, 1, static_cast<size_t>(length), file);
    std::fclose(file);
    if (read != static_cast<size_t>(length)) {
        delete[] bytes;
        return nullptr;
    }
    *outLength = static_cast<int32_t>(length);
    return bytes;
}
