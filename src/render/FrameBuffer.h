#pragma once

#include "render/Texture.h"

#include <GL/glew.h>

// An off-screen render target made of textures, all single- or all multisampled.
class FrameBuffer {
public:
    bool create(int width, int height, unsigned colorCount, bool withDepth, GLenum colorFormat, int samples);
    void bind(bool clear);
    void unbind();
    GLuint getColorTexture(unsigned index) const;
    void release();

    int width = 0;
    int height = 0;
    int savedViewportWidth = 0;
    int savedViewportHeight = 0;
    GLuint fbo = 0;
    Texture* depthTexture = nullptr;
    Texture* colorTextures = nullptr;
    unsigned colorCount = 0;
    bool multisampled = false;

private:
    // Undoes a failed create: the window's framebuffer is bound again and the
    // record is empty, so a later release deletes nothing twice.
    void discard();
};
