#include "StudioRun.h"

#include <stb_image.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace testing_support {

namespace {

namespace fs = std::filesystem;

constexpr double kStudioTimeout = 180.0;
constexpr double kCaptureTimeout = 120.0;
constexpr double kEditTimeout = 150.0;
constexpr const char* kScriptName = "test.script";

// Runs on its own thread beside the studio and owns its edits, so it may outlive the test.
void applyEdits(int, void* context)
{
    std::vector<FileEdit>* edits = static_cast<std::vector<FileEdit>*>(context);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(kEditTimeout);
    for (const FileEdit& edit : *edits) {
        while (!fs::exists(edit.waitFor) && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        std::error_code ignored;
        if (edit.kind != FileEdit::Write || fs::is_directory(edit.path, ignored)) {
            fs::remove_all(edit.path, ignored);
        }
        if (edit.kind == FileEdit::Write) {
            writeFile(edit.path, edit.text);
        }
        if (edit.kind == FileEdit::MakeFolder) {
            fs::create_directory(edit.path, ignored);
        }
    }
    delete edits;
}

}

StudioDir::StudioDir() : DemoDir(kStudioConfig, false)
{
    copyFile(sourceDir() + "/res/audio/melody.mp3", file("res/audio/melody.mp3"));
    copyFile(sourceDir() + "/res/audio/melody.events", file("res/audio/melody.events"));
}

ProcessResult runStudio(const StudioDir& dir, const std::string& script, const std::vector<std::string>& args,
                        const std::vector<FileEdit>& edits)
{
    writeFile(dir.file(kScriptName), script);
    std::vector<std::string> argv = {binDir() + "/studio", "--script", kScriptName};
    argv.insert(argv.end(), args.begin(), args.end());
    // The disk driver plays in real time into nothing.
    // The overlay's layout is kept in the run's own folder, not the user's.
    std::vector<std::string> env = {"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=/dev/null",
                                    "XDG_CONFIG_HOME=" + dir.file("config")};
    if (edits.empty()) {
        return runProcess(argv, dir.path, env, kStudioTimeout);
    }
    return runProcess(argv, dir.path, env, kStudioTimeout, applyEdits, new std::vector<FileEdit>(edits));
}

ProcessResult captureStill(const StudioDir& dir, int bar)
{
    char time[32];
    std::snprintf(time, sizeof time, "%.9f", bar * kSecondsPerBar);
    return runProcess({binDir() + "/capture", "--still", time, "--size", "320x180", "--msaa", "4", "--out", "still"},
                      dir.path, {"SDL_AUDIODRIVER=dummy"}, kCaptureTimeout);
}

RgbImage readRgbPng(const std::string& path)
{
    RgbImage image;
    std::string bytes = readFile(path);
    int channels = 0;
    unsigned char* data = stbi_load_from_memory(reinterpret_cast<const unsigned char*>(bytes.data()),
                                                static_cast<int>(bytes.size()), &image.width, &image.height,
                                                &channels, 3);
    if (data != nullptr) {
        image.pixels.assign(data, data + static_cast<size_t>(image.width) * image.height * 3);
        stbi_image_free(data);
    }
    return image;
}

double meanDifference(const RgbImage& a, const RgbImage& b)
{
    if (a.pixels.empty() || a.width != b.width || a.height != b.height) {
        return -1.0;
    }
    double total = 0.0;
    for (size_t i = 0; i < a.pixels.size(); ++i) {
        total += std::abs(static_cast<int>(a.pixels[i]) - static_cast<int>(b.pixels[i]));
    }
    return total / static_cast<double>(a.pixels.size());
}

double meanValue(const RgbImage& image)
{
    double total = 0.0;
    for (uint8_t value : image.pixels) {
        total += value;
    }
    return image.pixels.empty() ? 0.0 : total / static_cast<double>(image.pixels.size());
}

double musicSecondsAfter(const std::string& output, const std::string& command)
{
    const std::string label = "music ";
    size_t line = output.find("script: " + command + " ->");
    size_t music = line == std::string::npos ? line : output.find(label, line);
    if (music == std::string::npos) {
        return -1.0;
    }
    return std::strtod(output.c_str() + music + label.size(), nullptr);
}

}
