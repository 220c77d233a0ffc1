#pragma once

#include "render/FrameBuffer.h"
#include "render/Shader.h"

#include <GL/glew.h>

// Resolves the scene image, runs the bloom chain and the grading mix, and
// presents the result in the window.
class PostProcessor {
public:
    bool init();
    void apply(FrameBuffer& sceneBuffer);
    void runChain();
    void present();
    void release();

    Shader highPassShader;
    Shader blurShader;
    Shader mixShader;
    Shader copyShader;
    Shader resolveShader;
    Shader resolveDepthShader;
    FrameBuffer* input = nullptr;
    FrameBuffer blurBuffer;
    FrameBuffer compositeBuffer;
    FrameBuffer bloomBuffer1;
    FrameBuffer bloomBuffer2;
    FrameBuffer bloomBuffer3;
    FrameBuffer resolvedSceneBuffer;
    FrameBuffer depthBuffer;
    GLuint quadVertexArray = 0;
    GLuint quadVertexBuffer = 0;
    GLuint sampler = 0;

private:
    bool createFrameBuffers();
    bool loadShaders();
    void resolvePass(FrameBuffer& target, Shader& shader, GLuint multisampledTexture);
    void brightPass();
    void copyPass(FrameBuffer& target, FrameBuffer& source);
    void blurPass(FrameBuffer& target, FrameBuffer& source, const GLfloat* direction);
    void mixPass();
    void setMixUniforms();
    GLuint presentSource();
};
