#include "OfflineDemo.h"

#include "engine/GlCheck.h"
#include "scene/ObjectList.h"

#include <GL/glew.h>
#include <SDL.h>
#include <mpg123.h>

namespace {
constexpr float kMusicBpm = 110.0f;
constexpr const char* kCaptureTitle = "Morlenth capture";
}

bool OfflineDemo::init(const CaptureOptions& options)
{
    Engine::instance = &engine;
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "capture: SDL_Init failed: %s\n", SDL_GetError());
        return false;
    }
    // Start-up chatter would tear the progress bar; errors still show.
    SDL_LogSetAllPriority(SDL_LOG_PRIORITY_WARN);
    if (!engine.window.create(kCaptureTitle, options.width, options.height, options.msaa, false)) {
        std::fprintf(stderr, "capture: cannot open a %dx%d window with MSAA %d\n", options.width, options.height,
                     options.msaa);
        return false;
    }
    glewExperimental = GL_TRUE;
    if (glewInit() != GLEW_OK) {
        std::fprintf(stderr, "capture: glewInit failed\n");
        return false;
    }
    while (glGetError() != GL_NO_ERROR) {
    }
    engine.soundtrack.bpm = kMusicBpm;
    if (!engine.syncDevice.init(&engine.soundtrack) || !engine.scene.init()) {
        std::fprintf(stderr, "capture: the scene could not start (see the messages above)\n");
        return false;
    }
    addDemoObjects(engine.scene);
    pixels.resize(static_cast<size_t>(options.width) * options.height * 4);
    return true;
}

void OfflineDemo::renderFrame(double seconds)
{
    // The row the sync device would derive from a music position of exactly this time.
    float time = static_cast<float>(seconds);
    engine.syncDevice.row = rowFromSeconds(time, kMusicBpm);
    engine.scene.render(time);
    SDL_PumpEvents();
}

const std::vector<uint8_t>& OfflineDemo::readFrame()
{
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, engine.window.width, engine.window.height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    checkGlError();
    // Swap only after reading: the back buffer is undefined afterwards.
    engine.window.swap();
    return pixels;
}

void OfflineDemo::shutdown()
{
    engine.syncDevice.shutdown();
    engine.scene.shutdown();
    engine.window.destroy();
    SDL_Quit();
    Engine::instance = nullptr;
}

double musicDuration(const char* path)
{
    mpg123_handle* handle = mpg123_new(nullptr, nullptr);
    if (handle == nullptr) {
        return -1.0;
    }
    double seconds = -1.0;
    mpg123_param(handle, MPG123_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0.0);
    if (mpg123_open(handle, path) == MPG123_OK && mpg123_scan(handle) == MPG123_OK) {
        long rate = 0;
        int channels = 0;
        int encoding = 0;
        off_t samples = mpg123_length(handle);
        if (mpg123_getformat(handle, &rate, &channels, &encoding) == MPG123_OK && rate > 0 && samples >= 0) {
            seconds = static_cast<double>(samples) / rate;
        }
        mpg123_close(handle);
    }
    mpg123_delete(handle);
    return seconds;
}
