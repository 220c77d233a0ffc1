#include "FrameWriter.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace {

bool ffmpegAvailable()
{
    return std::system("command -v ffmpeg >/dev/null 2>&1") == 0;
}

// Single quotes for the shell, so paths with spaces or quotes pass through intact.
std::string shellQuote(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

}

bool FrameWriter::wantsVideo(const std::string& out)
{
    return out.size() > 4 && out.compare(out.size() - 4, 4, ".mp4") == 0;
}

bool FrameWriter::open(const CaptureOptions& options)
{
    width = options.width;
    height = options.height;
    if (!wantsVideo(options.out)) {
        folder = options.out;
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        return !error;
    }
    if (!ffmpegAvailable()) {
        std::fprintf(stderr, "capture: writing %s needs ffmpeg (apt-get install ffmpeg)\n", options.out.c_str());
        return false;
    }
    std::filesystem::path parent = std::filesystem::path(options.out).parent_path();
    if (!parent.empty()) {
        std::error_code error;
        std::filesystem::create_directories(parent, error);
    }
    double start = options.still >= 0.0 ? options.still : options.start;
    char command[4096];
    std::snprintf(command, sizeof command,
                  "ffmpeg -y -loglevel error -f rawvideo -pix_fmt rgba -s %dx%d -framerate %d -i - "
                  "-ss %.6f -i %s -map 0:v:0 -map 1:a:0? -vf vflip -c:v libx264 -preset medium -crf 18 "
                  "-pix_fmt yuv420p -c:a aac -b:a 192k -shortest %s",
                  width, height, options.fps, start, shellQuote(options.music).c_str(),
                  shellQuote(options.out).c_str());
    ffmpeg = popen(command, "w");
    return ffmpeg != nullptr;
}

bool FrameWriter::write(const std::vector<uint8_t>& pixels, int index)
{
    if (ffmpeg != nullptr) {
        return std::fwrite(pixels.data(), 1, pixels.size(), ffmpeg) == pixels.size();
    }
    return writePng(pixels, index);
}

bool FrameWriter::writePng(const std::vector<uint8_t>& pixels, int index)
{
    size_t rowBytes = static_cast<size_t>(width) * 4;
    flipped.resize(pixels.size());
    for (int y = 0; y < height; ++y) {
        std::memcpy(&flipped[y * rowBytes], &pixels[(height - 1 - y) * rowBytes], rowBytes);
    }
    char name[64];
    std::snprintf(name, sizeof name, "/frame_%06d.png", index);
    std::string path = folder + name;
    return stbi_write_png(path.c_str(), width, height, 4, flipped.data(), static_cast<int>(rowBytes)) != 0;
}

bool FrameWriter::close()
{
    if (ffmpeg == nullptr) {
        return true;
    }
    int status = pclose(ffmpeg);
    ffmpeg = nullptr;
    return status == 0;
}
