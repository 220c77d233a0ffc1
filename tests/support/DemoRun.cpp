#include "DemoRun.h"

#include <filesystem>

namespace testing_support {

namespace fs = std::filesystem;

std::string musicClipPath()
{
    return sourceDir() + "/tests/fixtures/audio/clip_stereo_44100.mp3";
}

DemoDir::DemoDir(const std::string& configText, bool withMusic)
{
    path = makeTempDir("morlenth-demo");
    writeFile(file("Config.txt"), configText);
    for (const char* folder : {"res/shaders", "res/textures", "res/sync"}) {
        std::string from = sourceDir() + "/" + folder;
        if (fs::exists(from)) {
            copyTree(from, file(folder));
        }
    }
    fs::create_directories(file("res/audio"));
    if (withMusic && fs::exists(musicClipPath())) {
        copyFile(musicClipPath(), file("res/audio/melody.mp3"));
    }
}

DemoDir::~DemoDir()
{
    removeTree(path);
}

ProcessResult runDemo(const DemoDir& dir, double timeoutSeconds, const std::vector<std::string>& env,
                      void (*afterStart)(int pid, void* context), void* context)
{
    std::vector<std::string> fullEnv = {"SDL_AUDIODRIVER=dummy"};
    fullEnv.insert(fullEnv.end(), env.begin(), env.end());
    return runProcess({binDir() + "/morlenth"}, dir.path, fullEnv, timeoutSeconds, afterStart, context);
}

}
