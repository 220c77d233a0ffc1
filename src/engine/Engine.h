#pragma once

#include "engine/Config.h"
#include "engine/Window.h"
#include "scene/Scene.h"
#include "timeline/Soundtrack.h"
#include "timeline/SyncDevice.h"

#include <fstream>

extern const char* const configPath;
extern const char* const windowTitle;
extern const char* const logPath;

class Engine {
public:
    // After a failed start-up nothing is shut down; the tracks read so far are
    // still freed here, the rest is left to the end of the process.
    ~Engine();

    bool init();
    void run();
    void shutdown();

    // The one Engine; other parts reach the sync device and the window's size through it.
    static Engine* instance;

    Window window;
    Scene scene;
    Soundtrack soundtrack;
    SyncDevice syncDevice;
    Config config;
    std::ofstream logFile;
};
