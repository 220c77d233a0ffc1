#pragma once

#include <SDL.h>

// The one sink behind SDL's log: copies each message, bare, to standard output
// and to the Engine's log file (userdata is the Engine), one flushed line each.
void logOutput(void* userdata, int category, SDL_LogPriority priority, const char* message);
