#include "render/FrameBuffer.h"

#include <algorithm>
#include <vector>

namespace {

constexpr GLbitfield kClearMask = GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT;

unsigned maxColorAttachments()
{
    GLint attachments = 0;
    GLint drawBuffers = 0;
    glGetIntegerv(GL_MAX_COLOR_ATTACHMENTS, &attachments);
    glGetIntegerv(GL_MAX_DRAW_BUFFERS, &drawBuffers);
    return static_cast<unsigned>(std::max(0, std::min(attachments, drawBuffers)));
}

void attach(GLenum attachment, GLenum target, GLuint texture)
{
    glBindTexture(target, texture);
    glFramebufferTexture2D(GL_FRAMEBUFFER, attachment, target, texture, 0);
    glBindTexture(target, 0);
}

}

bool FrameBuffer::create(int width, int height, unsigned colorCount, bool withDepth, GLenum colorFormat, int samples)
{
    this->width = width;
    this->height = height;
    this->colorCount = colorCount;
    multisampled = samples > 0;
    const GLenum target = multisampled ? GL_TEXTURE_2D_MULTISAMPLE : GL_TEXTURE_2D;

    glGenFramebuffers(1, &fbo);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    // Checked before any texture exists, so a refused request makes nothing but the framebuffer.
    if (colorCount > maxColorAttachments()) {
        discard();
        return false;
    }

    colorTextures = new Texture[colorCount];
    std::vector<GLenum> drawBuffers(colorCount);
    for (unsigned i = 0; i < colorCount; ++i) {
        colorTextures[i].create(width, height, nullptr, colorFormat, false, samples);
        attach(GL_COLOR_ATTACHMENT0 + i, target, colorTextures[i].id);
        drawBuffers[i] = GL_COLOR_ATTACHMENT0 + i;
    }
    glDrawBuffers(static_cast<GLsizei>(colorCount), drawBuffers.data());

    if (withDepth) {
        depthTexture = new Texture();
        depthTexture->create(width, height, nullptr, GL_DEPTH_COMPONENT32, false, samples);
        attach(GL_DEPTH_ATTACHMENT, target, depthTexture->id);
    }

    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        discard();
        return false;
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    return true;
}

void FrameBuffer::discard()
{
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    release();
    fbo = 0;
    depthTexture = nullptr;
    colorTextures = nullptr;
    colorCount = 0;
}

void FrameBuffer::bind(bool clear)
{
    // The far edges of the viewport are kept, so one that starts at the origin comes back exactly.
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    savedViewportWidth = viewport[0] + viewport[2];
    savedViewportHeight = viewport[1] + viewport[3];
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glViewport(0, 0, width, height);
    if (clear) {
        glClear(kClearMask);
    }
}

// Binds do not nest: this always returns to the window's framebuffer.
void FrameBuffer::unbind()
{
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, savedViewportWidth, savedViewportHeight);
}

GLuint FrameBuffer::getColorTexture(unsigned index) const
{
    if (index >= colorCount || colorTextures == nullptr) {
        return 0;
    }
    return colorTextures[index].id;
}

void FrameBuffer::release()
{
    if (depthTexture != nullptr) {
        depthTexture->release();
        delete depthTexture;
    }
    if (colorTextures != nullptr) {
        for (unsigned i = 0; i < colorCount; ++i) {
            colorTextures[i].release();
        }
        delete[] colorTextures;
    }
    glDeleteFramebuffers(1, &fbo);
}
