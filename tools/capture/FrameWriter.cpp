#include "FrameWriter.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

constexpr const char* kFramePrefix = "frame_";
constexpr const char* kFrameExtension = ".png";
constexpr int kRgbChannels = 3;
constexpr int kRgbaChannels = 4;

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

bool isFrameFile(const fs::path& path)
{
    std::string name = path.filename().string();
    return name.rfind(kFramePrefix, 0) == 0 && path.extension() == kFrameExtension;
}

}

bool FrameWriter::open(const CaptureOptions& options, int frameCount)
{
    width = options.width;
    height = options.height;
    return options.writesVideo() ? openVideo(options, frameCount) : openFolder(options.out);
}

// Frames of an earlier, longer capture would otherwise pass for part of this one.
bool FrameWriter::openFolder(const std::string& path)
{
    folder = path;
    std::error_code error;
    fs::create_directories(folder, error);
    if (error || !fs::is_directory(folder)) {
        std::fprintf(stderr, "capture: cannot make the folder %s\n", folder.c_str());
        return false;
    }
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        if (entry.is_regular_file() && isFrameFile(entry.path())) {
            fs::remove(entry.path(), error);
        }
    }
    return true;
}

bool FrameWriter::openVideo(const CaptureOptions& options, int frameCount)
{
    if (!ffmpegAvailable()) {
        std::fprintf(stderr, "capture: writing %s needs ffmpeg (apt-get install ffmpeg)\n", options.out.c_str());
        return false;
    }
    fs::path parent = fs::path(options.out).parent_path();
    if (!parent.empty()) {
        std::error_code error;
        fs::create_directories(parent, error);
    }
    // A dying ffmpeg must turn into a failed write, not kill the capture. Windows
    // has no such signal: a write to a closed pipe just fails there.
#ifdef SIGPIPE
    std::signal(SIGPIPE, SIG_IGN);
#endif
    double start = options.still >= 0.0 ? options.still : options.start;
    double length = static_cast<double>(frameCount) / options.fps;
    char command[4096];
    std::snprintf(command, sizeof command,
                  "ffmpeg -y -loglevel error -f rawvideo -pix_fmt rgba -s %dx%d -framerate %d -i - "
                  "-ss %.6f -t %.6f -i %s -map 0:v:0 -map 1:a:0? -vf vflip -c:v libx264 -preset medium -crf 18 "
                  "-pix_fmt yuv420p -c:a aac -b:a 192k %s",
                  width, height, options.fps, start, length, shellQuote(options.music).c_str(),
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

// The screen shows no alpha, so neither does the picture: RGB, rows top-down.
bool FrameWriter::writePng(const std::vector<uint8_t>& pixels, int index)
{
    rgb.resize(static_cast<size_t>(width) * height * kRgbChannels);
    for (int y = 0; y < height; ++y) {
        const uint8_t* source = &pixels[static_cast<size_t>(height - 1 - y) * width * kRgbaChannels];
        uint8_t* target = &rgb[static_cast<size_t>(y) * width * kRgbChannels];
        for (int x = 0; x < width; ++x) {
            std::memcpy(target + x * kRgbChannels, source + x * kRgbaChannels, kRgbChannels);
        }
    }
    char name[64];
    std::snprintf(name, sizeof name, "/%s%06d%s", kFramePrefix, index, kFrameExtension);
    std::string path = folder + name;
    return stbi_write_png(path.c_str(), width, height, kRgbChannels, rgb.data(), width * kRgbChannels) != 0;
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
