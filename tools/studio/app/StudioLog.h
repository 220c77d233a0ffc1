#pragma once

#include <SDL.h>

#include <string>
#include <vector>

// Every message of the studio goes to standard output, one a line, flushed at
// once; errors are also kept, newest last, for the overlay's errors panel.
class StudioLog {
public:
    // Routes SDL's log (the library's own messages, the shader logs) through this log.
    void install();
    void info(const std::string& message);
    void error(const std::string& message);

    std::vector<std::string> errors;

private:
    static void sdlOutput(void* self, int category, SDL_LogPriority priority, const char* message);
};
