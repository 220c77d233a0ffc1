#pragma once

#include <SDL.h>

#include <string>

class Window {
public:
    bool create(const std::string& title, int width, int height, int samples, bool fullscreen);
    bool pollEvents();
    void swap();
    void destroy();

    SDL_Window* sdlWindow = nullptr;
    SDL_GLContext glContext = nullptr;
    std::string title;
    int width = 0;
    int height = 0;
    int msaaSamples = 0;
};
