#pragma once

#include "TestPaths.h"

#include <string>
#include <vector>

// Runs the real morlenth program in a temporary working folder laid out like
// the repository root: Config.txt, res/shaders, res/textures, res/sync and a
// short music clip as res/audio/melody.mp3.
namespace testing_support {

constexpr const char* kDefaultConfig =
    "ViewportWidth = 320;\nViewportHeight = 180;\nMSAA = 4;\nFullscreen = false;\n";

// The short clip that end-to-end runs play instead of the whole demo music.
std::string musicClipPath();

struct DemoDir {
    std::string path;
    explicit DemoDir(const std::string& configText = kDefaultConfig, bool withMusic = true);
    ~DemoDir();
    DemoDir(const DemoDir&) = delete;
    DemoDir& operator=(const DemoDir&) = delete;

    std::string file(const std::string& relative) const { return path + "/" + relative; }
    std::vector<std::string> logLines() const { return readLines(file("Log.txt")); }
};

// SDL_AUDIODRIVER=dummy and the current DISPLAY unless env overrides them.
ProcessResult runDemo(const DemoDir& dir, double timeoutSeconds, const std::vector<std::string>& env = {},
                      void (*afterStart)(int pid, void* context) = nullptr, void* context = nullptr);

}
