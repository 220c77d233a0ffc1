#pragma once

#include "render/FrameBuffer.h"
#include "render/Shader.h"

#include <GL/glew.h>

// The steps every full-screen pass shares. A pass draws the one quad with a
// program that reads its source on texture unit 0; the caller binds the shared
// sampler and sets the pass's own uniforms between beginPass and drawQuad.

// The source sampler of every pass program.
constexpr const char* kTexSamplerUniform = "uTexSampler";

// The quad's vertex buffer, also fed to attribute 0 of the bound vertex array.
GLuint createQuadBuffer();

// The one sampler of every pass: clamped at the edges, linear both ways.
GLuint createPassSampler();

// Binds and clears the target, then does what bindPassSource does.
void beginPass(FrameBuffer& target, Shader& shader, GLenum textureTarget, GLuint texture);

// Uses the program, binds the source on unit 0 and points uTexSampler at it.
void bindPassSource(Shader& shader, GLenum textureTarget, GLuint texture);

// Feeds attribute 0 from the quad buffer and draws the strip.
void drawQuad(GLuint quadVertexBuffer);

// Unbinds the texture of the active unit, the sampler of unit 0 and the program.
void unbindPassSource(GLenum textureTarget);

// Does what unbindPassSource does, then returns to the window's frame buffer.
void endPass(FrameBuffer& target, GLenum textureTarget);
