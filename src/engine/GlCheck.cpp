#include "engine/GlCheck.h"

#include <GL/glew.h>
#include <GL/glu.h>
#include <SDL.h>

void checkGlError()
{
    for (GLenum code = glGetError(); code != GL_NO_ERROR; code = glGetError()) {
        SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "OpenGL Error Encountered! Error: (%i) %s",
                     static_cast<int>(code), reinterpret_cast<const char*>(gluErrorString(code)));
    }
}
