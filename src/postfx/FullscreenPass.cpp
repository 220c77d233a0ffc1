#include "postfx/FullscreenPass.h"

#include "engine/GlCheck.h"

namespace {

// Two counter-clockwise triangles as a strip, so the scene's culling keeps them.
constexpr GLfloat kQuadVertices[] = {-1.0f, 1.0f, -1.0f, -1.0f, 1.0f, 1.0f, 1.0f, -1.0f};
constexpr GLsizei kQuadVertexCount = 4;

}

GLuint createQuadBuffer()
{
    GLuint buffer = 0;
    glGenBuffers(1, &buffer);
    checkGlError();
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    checkGlError();
    glBufferData(GL_ARRAY_BUFFER, sizeof(kQuadVertices), kQuadVertices, GL_STATIC_DRAW);
    checkGlError();
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 0, nullptr);
    checkGlError();
    glEnableVertexAttribArray(0);
    checkGlError();
    return buffer;
}

GLuint createPassSampler()
{
    GLuint sampler = 0;
    glGenSamplers(1, &sampler);
    const GLenum parameters[][2] = {
        {GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE},
        {GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE},
        {GL_TEXTURE_MIN_FILTER, GL_LINEAR},
        {GL_TEXTURE_MAG_FILTER, GL_LINEAR},
    };
    for (const auto& parameter : parameters) {
        glSamplerParameteri(sampler, parameter[0], static_cast<GLint>(parameter[1]));
        checkGlError();
    }
    // The anisotropy stays at the GL's 1. Every pass samples a screen-aligned quad
    // at 1:1 or 2:1, where anisotropic filtering has nothing to improve, and some
    // drivers (llvmpipe) then filter a wider footprint anyway: the whole picture
    // softens and even the plain copy no longer shows the scene as it is.
    return sampler;
}

void beginPass(FrameBuffer& target, Shader& shader, GLenum textureTarget, GLuint texture)
{
    target.bind(true);
    bindPassSource(shader, textureTarget, texture);
}

void bindPassSource(Shader& shader, GLenum textureTarget, GLuint texture)
{
    glUseProgram(shader.program);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(textureTarget, texture);
    glUniform1i(shader.getUniformLocation(kTexSamplerUniform), 0);
}

void drawQuad(GLuint quadVertexBuffer)
{
    glBindBuffer(GL_ARRAY_BUFFER, quadVertexBuffer);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 0, nullptr);
    glEnableVertexAttribArray(0);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, kQuadVertexCount);
}

void unbindPassSource(GLenum textureTarget)
{
    glBindTexture(textureTarget, 0);
    glBindSampler(0, 0);
    glUseProgram(0);
}

void endPass(FrameBuffer& target, GLenum textureTarget)
{
    unbindPassSource(textureTarget);
    target.unbind();
}
