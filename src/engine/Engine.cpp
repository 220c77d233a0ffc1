#include "engine/Engine.h"

#include "engine/Logger.h"

#include <GL/glew.h>
#include <SDL.h>

const char* const configPath = "Config.txt";
const char* const windowTitle = "Tessivar - Morlenth";
const char* const logPath = "Log.txt";

Engine* Engine::instance = nullptr;

namespace {

constexpr const char* kMusicPath = "res/audio/melody.mp3";
constexpr float kMusicBpm = 110.0f;
constexpr Uint32 kPlaybackPollMs = 100;
// A device that never starts playing would otherwise hold the demo forever.
constexpr int kPlaybackPollLimit = 50;

void logInfo(const char* message)
{
    SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "%s", message);
}

void logError(const char* message)
{
    SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "%s", message);
}

}

Engine::~Engine()
{
    syncDevice.shutdown();
}

bool Engine::init()
{
    instance = this;

    logFile.open(logPath, std::ios::out | std::ios::trunc);
    if (!logFile.is_open()) {
        std::string text = std::string("Failed to open log file for writing! File: ") + logPath;
        SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "Error", text.c_str(), nullptr);
        return false;
    }

    SDL_LogSetAllPriority(SDL_LOG_PRIORITY_VERBOSE);
    int sdlResult = SDL_Init(SDL_INIT_TIMER | SDL_INIT_AUDIO | SDL_INIT_VIDEO);
    SDL_LogSetOutputFunction(logOutput, this);
    if (sdlResult != 0) {
        logError("Failed to initialize SDL!");
        return false;
    }

    logInfo("Initializing Engine");
    logInfo("Reading Configuration File...");
    if (!config.read(configPath)) {
        SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "Failed to read config file: %s!", configPath);
        return false;
    }
    logInfo("Config File Read Successfully!");

    int width = config.getInt("ViewportWidth");
    int height = config.getInt("ViewportHeight");
    int samples = config.getInt("MSAA");
    bool fullscreen = config.getBool("Fullscreen");
    SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "Selected Settings: %dx%d Resolution with %dx MSAA", width, height, samples);
    logInfo(fullscreen ? "Fullscreen mode enabled!" : "Fullscreen mode disabled!");

    if (!window.create(windowTitle, width, height, samples, fullscreen)) {
        logError("Failed to initialize window!");
        return false;
    }
    logInfo("Initialized window");

    glewExperimental = GL_TRUE;
    if (glewInit() != GLEW_OK) {
        logError("Failed to initialize GLEW!");
        return false;
    }
    logInfo("Sucessfully initialized GLEW");
    // GLEW's probing leaves errors behind on core contexts; they are not ours.
    while (glGetError() != GL_NO_ERROR) {
    }

    if (!soundtrack.initAudio()) {
        logError("Failed to initialize BASS Audio Device!");
        return false;
    }
    logInfo("Sucessfully initialized BASS Audio Device");

    if (!syncDevice.init(&soundtrack)) {
        logError("Failed to initialize Sync Device!");
        return false;
    }
    logInfo("Sucessfully initialized Sync Device");

    if (!soundtrack.load(kMusicPath, kMusicBpm)) {
        logError("Failed to build soundtrack!");
        return false;
    }
    logInfo("Sucessfully built soundtrack");

    if (!scene.init()) {
        logError("Failed to initialize scene!");
        return false;
    }

    logInfo("Warming renders...!");
    syncDevice.update();
    scene.render(0.0f);
    window.swap();

    logInfo("Starting playback!");
    soundtrack.play();
    for (int polls = 0; !soundtrack.isPlaying(); ++polls) {
        if (polls == kPlaybackPollLimit) {
            logError("Playback did not start within 5 seconds, giving up!");
            return false;
        }
        SDL_Delay(kPlaybackPollMs);
        logInfo("Waiting on track...");
    }
    return true;
}

void Engine::run()
{
    while (window.pollEvents() && soundtrack.isPlaying()) {
        syncDevice.update();
        float time = soundtrack.position();
        scene.render(time);
        window.swap();
    }
}

void Engine::shutdown()
{
    logInfo("Engine Shutting Down");
    syncDevice.shutdown();
    soundtrack.stop();
    soundtrack.shutdownAudio();
    scene.shutdown();
    logInfo("Shut down Scene");
    window.destroy();
    SDL_Quit();
    logFile.close();
    instance = nullptr;
}
