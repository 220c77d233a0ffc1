#include "app/Studio.h"

#include "edit/Position.h"
#include "app/Screenshot.h"
#include "edit/Sections.h"

#include "scene/ObjectList.h"
#include "timeline/SyncDevice.h"

#include <GL/glew.h>

namespace {

constexpr const char* kConfigPath = "Config.txt";
constexpr const char* kTitle = "Morlenth studio";
constexpr double kMillisecondsPerSecond = 1000.0;

}

bool Studio::init(const StudioOptions& options)
{
    Engine::instance = &engine;
    log.install();
    // A script is checked whole before anything starts.
    std::string error;
    if (!options.script.empty() && !script.load(options.script, error)) {
        log.error("studio: " + error);
        return false;
    }
    if (SDL_Init(SDL_INIT_TIMER | SDL_INIT_AUDIO | SDL_INIT_VIDEO) != 0) {
        log.error(std::string("studio: SDL_Init failed: ") + SDL_GetError());
        return false;
    }
    if (!initWindow() || !initMusic()) {
        return false;
    }
    if (!engine.syncDevice.init(&engine.soundtrack) || !timeline.load(options.timeline, engine.syncDevice, log)) {
        log.error("studio: the timeline could not be loaded");
        return false;
    }
    editor.init(&timeline, &engine.syncDevice, &log);
    if (!engine.scene.init()) {
        log.error("studio: the scene could not start");
        return false;
    }
    addDemoObjects(engine.scene);
    shaders.init(engine.scene);
    overlayReady = overlay.init(engine.window.sdlWindow, engine.window.glContext);
    if (!overlayReady) {
        log.error("studio: the overlay could not start; running without it");
    }
    return applyOptions(options);
}

bool Studio::initWindow()
{
    if (!engine.config.read(kConfigPath)) {
        log.error(std::string("studio: cannot read ") + kConfigPath);
        return false;
    }
    Config& config = engine.config;
    if (!engine.window.create(kTitle, config.getInt("ViewportWidth"), config.getInt("ViewportHeight"),
                              config.getInt("MSAA"), config.getBool("Fullscreen"))) {
        log.error("studio: cannot open the window");
        return false;
    }
    glewExperimental = GL_TRUE;
    if (glewInit() != GLEW_OK) {
        log.error("studio: glewInit failed");
        return false;
    }
    // GLEW's probing leaves errors behind on core contexts; they are not ours.
    while (glGetError() != GL_NO_ERROR) {
    }
    return true;
}

bool Studio::applyOptions(const StudioOptions& options)
{
    std::string error;
    double from = 0.0;
    double loopStart = 0.0;
    double loopEnd = 0.0;
    if (!readPositions(options, from, loopStart, loopEnd, error)) {
        log.error("studio: " + error);
        return false;
    }
    if (!options.loopStart.empty()) {
        transport.setLoop(loopStart, loopEnd);
        if (options.from.empty()) {
            from = loopStart;
        }
    }
    transport.seek(from);
    if (!options.paused) {
        transport.play();
    }
    return true;
}

// The command line's positions, once the timeline has named its markers.
bool Studio::readPositions(const StudioOptions& options, double& from, double& loopStart, double& loopEnd,
                           std::string& error) const
{
    const std::vector<SourceMarker>& markers = timeline.markers;
    if (!options.from.empty() && (!parseStudioPosition(options.from, markers, from, error) ||
                                  !withinMusic("--from", options.from, from, error))) {
        return false;
    }
    if (options.loopStart.empty()) {
        return true;
    }
    if (!parseStudioPosition(options.loopStart, markers, loopStart, error) ||
        !parseStudioPosition(options.loopEnd, markers, loopEnd, error) ||
        !withinMusic("--loop", options.loopStart, loopStart, error)) {
        return false;
    }
    if (loopEnd <= loopStart) {
        error = "--loop: the end " + options.loopEnd + " does not come after the start " + options.loopStart;
        return false;
    }
    return true;
}

// A start on or past the end would have nothing to play.
bool Studio::withinMusic(const std::string& option, const std::string& text, double row, std::string& error) const
{
    if (row < transport.lengthRows()) {
        return true;
    }
    error = option + " " + text + " lies past the end of the music at " + formatClock(transport.lengthRows());
    return false;
}

void Studio::run()
{
    while (!quitRequested) {
        step();
    }
}

void Studio::step()
{
    pollAnalysis();
    handleEvents();
    script.update(*this);
    if (quitRequested) {
        return;
    }
    timeline.poll(engine.syncDevice, log);
    editor.follow();
    shaders.poll(log);
    drawFrame();
}

void Studio::handleEvents()
{
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        bool taken = overlayReady && overlayVisible && overlay.processEvent(event);
        if (event.type == SDL_QUIT) {
            quitRequested = true;
        } else if (event.type == SDL_KEYDOWN && !taken) {
            pressKey(keyFromEvent(event.key));
        }
    }
}

void Studio::drawFrame()
{
    double row = transport.update(log);
    engine.syncDevice.row = static_cast<float>(row);
    engine.scene.render(static_cast<float>(transport.seconds()));
    if (overlayReady && overlayVisible) {
        uint64_t start = SDL_GetPerformanceCounter();
        overlay.draw(panelInput(), *this);
        overlayMs = kMillisecondsPerSecond * static_cast<double>(SDL_GetPerformanceCounter() - start) /
                    static_cast<double>(SDL_GetPerformanceFrequency());
    }
    if (!shotPath.empty()) {
        saveShot();
    }
    updateTitle();
    engine.window.swap();
    uint64_t now = SDL_GetTicks64();
    frameMs = lastFrameTicks == 0 ? 0.0 : static_cast<double>(now - lastFrameTicks);
    lastFrameTicks = now;
}

void Studio::saveShot()
{
    std::string error;
    if (saveWindowPng(shotPath, engine.window.width, engine.window.height, error)) {
        log.info("studio: saved " + shotPath);
    } else {
        log.error("studio: " + error);
    }
    shotPath.clear();
}

void Studio::updateTitle()
{
    Section section = sectionAt(timeline.markers, transport.row, transport.lengthRows());
    std::string text = std::string(kTitle) + " - " + formatClock(transport.row);
    if (!section.name.empty()) {
        text += " - " + section.name;
    }
    if (text != title) {
        title = text;
        SDL_SetWindowTitle(engine.window.sdlWindow, title.c_str());
    }
}

void Studio::shutdown()
{
    analysis.stop();
    if (overlayReady) {
        overlay.shutdown();
    }
    engine.syncDevice.shutdown();
    engine.soundtrack.stop();
    engine.soundtrack.shutdownAudio();
    engine.scene.shutdown();
    engine.window.destroy();
    SDL_Quit();
    Engine::instance = nullptr;
}
