#include "engine/Logger.h"

#include "engine/Engine.h"

#include <cstdio>

void logOutput(void* userdata, int, SDL_LogPriority, const char* message)
{
    std::fputs(message, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);

    Engine* engine = static_cast<Engine*>(userdata);
    if (engine != nullptr && engine->logFile.is_open()) {
        engine->logFile << message << '\n';
        engine->logFile.flush();
    }
}
