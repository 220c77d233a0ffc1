#include "engine/GlCheck.h"

#include <GL/glew.h>
#include <GL/glu.h>
#include <SDL.h>

void checkGlError()
{
    for (GLenum code = glGetError(); code != GL_NO_ERROR; code = glGetError()) {
        // GLU has no text for codes it does not know; %s must not receive null.
        const GLubyte* text = gluErrorString(code);
        SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "OpenGL Error Encountered! Error: (%i) %s", static_cast<int>(code),
                     text != nullptr ? reinterpret_cast<const char*>(text) : "");
    }
}
