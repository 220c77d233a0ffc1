#pragma once

#include <GL/glew.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

// The one hidden SDL window with a GL 3.3 core context that every test of a GL
// test program shares. GlTestMain.cpp creates it before the first test runs and
// destroys it after the last; tests never make or destroy contexts themselves.
namespace testing_support {

constexpr int kGlWindowWidth = 640;
constexpr int kGlWindowHeight = 360;

SDL_Window* glTestWindow();

// Reads RGBA8 pixels from the framebuffer bound for reading (origin bottom-left,
// rows bottom to top, tightly packed). The pack alignment is restored afterwards.
std::vector<uint8_t> readPixels(int x, int y, int width, int height);

// Reads one level of a texture (GL_TEXTURE_2D or a cube face target) with
// glGetTexImage, rows in GL order (first row = t 0), tightly packed RGBA.
std::vector<uint8_t> readTextureRgba8(GLuint texture, GLenum target = GL_TEXTURE_2D, int level = 0);
std::vector<float> readTextureRgbaFloat(GLuint texture, GLenum target = GL_TEXTURE_2D, int level = 0);

// Every pending GL error code, oldest first; the queue is empty afterwards.
std::vector<GLenum> takeGlErrors();

// Puts back the state each test starts from: the window's framebuffer bound for
// drawing and reading, a full-window viewport, no program, vertex array, buffer
// or texture bound, unit 0 active, clear colour (0, 0, 0, 0), clear depth 1,
// depth test, culling, blending and scissor off, and no pending GL error.
void resetGlState();

// Base fixture for GL tests: starts from resetGlState() and fails the test when
// it leaves GL errors behind (a test that expects errors takes them itself).
class GlTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

// What SDL hands to a log output function for a message: SDL drops one final
// line break ("\n" or "\r\n") from the formatted text before it is delivered.
std::string deliveredLogText(const std::string& message);

struct LogEntry {
    int category;
    SDL_LogPriority priority;
    std::string message;
};

// Collects every SDL log message while it lives; the previous output function
// comes back when it is destroyed. Every priority is enabled while it lives.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    const std::vector<std::string>& lines() const { return captured; }
    const std::vector<LogEntry>& entries() const { return capturedEntries; }
    // True when some message contains text.
    bool contains(const std::string& text) const;
    // How many messages are exactly text (compared as SDL delivers it).
    int count(const std::string& text) const;
    void clear();

private:
    static void output(void* userdata, int category, SDL_LogPriority priority, const char* message);
    std::vector<std::string> captured;
    std::vector<LogEntry> capturedEntries;
    SDL_LogOutputFunction previousFunction = nullptr;
    void* previousUserdata = nullptr;
};

}
