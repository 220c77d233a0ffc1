#include "engine/Window.h"

#include "engine/GlCheck.h"

#include <GL/glew.h>

namespace {

void logDriverString(const char* format, GLenum name)
{
    const GLubyte* text = glGetString(name);
    SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, format, text ? reinterpret_cast<const char*>(text) : "");
    checkGlError();
}

}

bool Window::create(const std::string& newTitle, int newWidth, int newHeight, int samples, bool fullscreen)
{
    if (newWidth <= 0 || newHeight <= 0 || samples < 0) {
        return false;
    }

    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    // One multisample buffer is asked for even with 0 samples.
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, 1);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, samples);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_FLAGS, SDL_GL_CONTEXT_DEBUG_FLAG);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);

    Uint32 flags = SDL_WINDOW_OPENGL;
    if (fullscreen) {
        flags |= SDL_WINDOW_FULLSCREEN;
        SDL_ShowCursor(SDL_DISABLE);
    }

    sdlWindow = SDL_CreateWindow(newTitle.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                 newWidth, newHeight, flags);
    if (sdlWindow == nullptr) {
        SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "Failed to create window!");
        return false;
    }

    glContext = SDL_GL_CreateContext(sdlWindow);
    if (glContext == nullptr) {
        SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "Failed to create OpenGL Context!");
        return false;
    }

    logDriverString("OpenGL Vendor: %s", GL_VENDOR);
    logDriverString("OpenGL Renderer: %s", GL_RENDERER);
    logDriverString("OpenGL Version: %s", GL_VERSION);
    logDriverString("OpenGL GLSL Version: %s", GL_SHADING_LANGUAGE_VERSION);

    // Adaptive sync lets a late frame tear rather than wait a whole refresh.
    if (SDL_GL_SetSwapInterval(-1) == -1) {
        SDL_GL_SetSwapInterval(1);
        checkGlError();
    }

    title = newTitle;
    width = newWidth;
    height = newHeight;
    msaaSamples = samples;
    SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "Window created with title '%s', width '%d' and height '%d'",
                title.c_str(), width, height);
    return true;
}

bool Window::pollEvents()
{
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (event.type == SDL_QUIT) {
            SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "Received quit message from event system!");
            return false;
        }
        if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE) {
            SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "Escape key pressed!");
            return false;
        }
    }
    return true;
}

void Window::swap()
{
    SDL_GL_SwapWindow(sdlWindow);
}

void Window::destroy()
{
    SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "Shutting down window");
    SDL_GL_DeleteContext(glContext);
    SDL_DestroyWindow(sdlWindow);
}
