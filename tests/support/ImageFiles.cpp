#include "ImageFiles.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#endif
#include <stb_image_write.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

#include "TestPaths.h"

namespace testing_support {

namespace {

void appendBytes(void* context, void* data, int size)
{
    static_cast<std::string*>(context)->append(static_cast<const char*>(data), static_cast<size_t>(size));
}

}

std::string encodePng(int width, int height, int channels, const std::vector<uint8_t>& pixels)
{
    if (width <= 0 || height <= 0 || channels < 1 || channels > 4 ||
        pixels.size() != static_cast<size_t>(width) * height * channels) {
        return std::string();
    }
    std::string bytes;
    if (stbi_write_png_to_func(&appendBytes, &bytes, width, height, channels, pixels.data(), width * channels) == 0) {
        return std::string();
    }
    return bytes;
}

bool writePng(const std::string& path, int width, int height, int channels, const std::vector<uint8_t>& pixels)
{
    const std::string bytes = encodePng(width, height, channels, pixels);
    if (bytes.empty()) {
        return false;
    }
    writeFile(path, bytes);
    return readFile(path) == bytes;
}

}
