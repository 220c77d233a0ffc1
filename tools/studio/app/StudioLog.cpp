#include "app/StudioLog.h"

#include <SDL.h>

#include <cstdio>

namespace {

// The panel shows recent trouble; a shader that fails every frame must not grow it forever.
constexpr size_t kKeptErrors = 200;

}

void StudioLog::install()
{
    SDL_LogSetAllPriority(SDL_LOG_PRIORITY_INFO);
    SDL_LogSetOutputFunction(sdlOutput, this);
}

void StudioLog::info(const std::string& message)
{
    std::printf("%s\n", message.c_str());
    std::fflush(stdout);
}

void StudioLog::error(const std::string& message)
{
    info(message);
    if (errors.size() == kKeptErrors) {
        errors.erase(errors.begin());
    }
    errors.push_back(message);
}

void StudioLog::sdlOutput(void* self, int, SDL_LogPriority priority, const char* message)
{
    StudioLog* log = static_cast<StudioLog*>(self);
    // Driver logs end in newlines of their own; the panel and the terminal add theirs.
    std::string text = message;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    if (priority >= SDL_LOG_PRIORITY_ERROR) {
        log->error(text);
    } else {
        log->info(text);
    }
}
