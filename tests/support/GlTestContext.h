#pragma once

#include <SDL.h>

#include <cstdint>
#include <string>
#include <vector>

// The one hidden SDL window with a GL 3.3 core context that every test of a GL
// test program shares. GlTestMain.cpp creates it before the first test runs.
namespace testing_support {

constexpr int kGlWindowWidth = 640;
constexpr int kGlWindowHeight = 360;

SDL_Window* glTestWindow();

// Reads RGBA8 pixels from the framebuffer bound for reading (origin bottom-left).
std::vector<uint8_t> readPixels(int x, int y, int width, int height);

// Collects every SDL log message while it lives; the previous output function
// comes back when it is destroyed.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    const std::vector<std::string>& lines() const { return captured; }
    bool contains(const std::string& text) const;
    void clear() { captured.clear(); }

private:
    static void output(void* userdata, int category, SDL_LogPriority priority, const char* message);
    std::vector<std::string> captured;
    SDL_LogOutputFunction previousFunction = nullptr;
    void* previousUserdata = nullptr;
};

}
