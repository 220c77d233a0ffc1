#include "postfx/PostProcessor.h"

#include "engine/Engine.h"
#include "engine/GlCheck.h"
#include "postfx/FullscreenPass.h"

#include <SDL.h>

namespace {

constexpr const char* kQuadVertexPath = "res/shaders/FullscreenQuad.vert";

constexpr const char* kEnableBloom = "FX.EnableBloom";
constexpr const char* kRenderDepth = "FX.RenderDepth";
constexpr const char* kHighPassCutoff = "FX.HighPassCutoff";
constexpr const char* kBlurMagnitude = "FX.BlurMagnitude";
constexpr const char* kFade = "FX.Fade";
constexpr const char* kBloomDry = "FX.BloomDry";
constexpr const char* kBloomWet = "FX.BloomWet";
constexpr const char* kExposure = "FX.Exposure";
constexpr const char* kFlash = "FX.Flash";
constexpr const char* kVignette = "FX.Vignette";
constexpr const char* kColorCorrectionR = "FX.BG_R";
constexpr const char* kColorCorrectionG = "FX.BG_G";
constexpr const char* kColorCorrectionB = "FX.BG_B";
constexpr const char* kColorCorrectionA = "FX.BG_A";

constexpr const char* kSampleCountUniform = "uSampleCount";
constexpr const char* kResolutionUniform = "uResolution";
constexpr const char* kHighPassCutoffUniform = "uHighPassCutoff";
constexpr const char* kTexelSizeUniform = "uTexelSize";
constexpr const char* kBlurDirectionUniform = "uBlurDirection";
constexpr const char* kBlurMagnitudeUniform = "uBlurMagnitude";
constexpr const char* kTexSampler2Uniform = "uTexSampler2";
constexpr const char* kFadeUniform = "uFade";
constexpr const char* kBloomDryUniform = "uBloomDry";
constexpr const char* kBloomWetUniform = "uBloomWet";
constexpr const char* kExposureUniform = "uExposure";
constexpr const char* kFlashUniform = "uFlash";
constexpr const char* kVignetteUniform = "uVignette";
constexpr const char* kColorCorrectionUniform = "uColorCorrection";

constexpr GLfloat kHorizontal[] = {1.0f, 0.0f};
constexpr GLfloat kVertical[] = {0.0f, 1.0f};

SyncDevice& sync()
{
    return Engine::instance->syncDevice;
}

const Window& window()
{
    return Engine::instance->window;
}

void logError(const char* message)
{
    SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "%s", message);
}

GLuint depthTextureOf(const FrameBuffer& buffer)
{
    return buffer.depthTexture != nullptr ? buffer.depthTexture->id : 0;
}

}

bool PostProcessor::init()
{
    glGenVertexArrays(1, &quadVertexArray);
    checkGlError();
    glBindVertexArray(quadVertexArray);
    checkGlError();
    if (!createFrameBuffers() || !loadShaders()) {
        return false;
    }
    quadVertexBuffer = createQuadBuffer();
    sampler = createPassSampler();
    return true;
}

bool PostProcessor::createFrameBuffers()
{
    const int width = window().width;
    const int height = window().height;
    // Single precision, truncated: 1366 x 768 gives 683 x 384 and 341 x 192.
    const int halfWidth = static_cast<int>(static_cast<float>(width) * 0.5f);
    const int halfHeight = static_cast<int>(static_cast<float>(height) * 0.5f);
    const int quarterWidth = static_cast<int>(static_cast<float>(width) * 0.25f);
    const int quarterHeight = static_cast<int>(static_cast<float>(height) * 0.25f);
    const struct {
        FrameBuffer* buffer;
        int width;
        int height;
        bool withDepth;
        GLenum colorFormat;
        const char* failure;
    } buffers[] = {
        {&resolvedSceneBuffer, width, height, true, GL_RGBA16F, "Failed to initialize Resolved Scene Frame Buffer!"},
        {&depthBuffer, width, height, false, GL_R16F, "Failed to initialize Depth Frame Buffer!"},
        {&blurBuffer, width, height, false, GL_RGBA, "Failed to initialize Blur Frame Buffer!"},
        {&compositeBuffer, width, height, false, GL_RGBA, "Failed to initialize Composite Frame Buffer!"},
        {&bloomBuffer1, halfWidth, halfHeight, false, GL_RGBA, "Failed to initialize Bloom Frame Buffer1!"},
        {&bloomBuffer2, quarterWidth, quarterHeight, false, GL_RGBA, "Failed to initialize Bloom Frame Buffer2!"},
        {&bloomBuffer3, quarterWidth, quarterHeight, false, GL_RGBA, "Failed to initialize Bloom Frame Buffer2!"},
    };
    for (const auto& entry : buffers) {
        if (!entry.buffer->create(entry.width, entry.height, 1, entry.withDepth, entry.colorFormat, 0)) {
            logError(entry.failure);
            return false;
        }
    }
    return true;
}

bool PostProcessor::loadShaders()
{
    const struct {
        Shader* shader;
        const char* fragmentPath;
        const char* failure;
    } shaders[] = {
        {&copyShader, "res/shaders/CopyTex.frag", "Failed to initialize Copy Shader!"},
        {&highPassShader, "res/shaders/HighPass.frag", "Failed to initialize High Pass Shader!"},
        {&blurShader, "res/shaders/Blur.frag", "Failed to initialize Blur Shader!"},
        {&mixShader, "res/shaders/Mix.frag", "Failed to initialize Mix Shader!"},
        {&resolveShader, "res/shaders/ResolveFBO.frag", "Failed to initialize Resolve FBO Shader!"},
        {&resolveDepthShader, "res/shaders/ResolveDepth.frag", "Failed to initialize Resolve Depth Shader!"},
    };
    for (const auto& entry : shaders) {
        if (!entry.shader->load(kQuadVertexPath, entry.fragmentPath, nullptr)) {
            logError(entry.failure);
            return false;
        }
    }
    return true;
}

void PostProcessor::apply(FrameBuffer& sceneBuffer)
{
    // The resolve passes draw with whichever vertex array is bound; every scene
    // object sets its own attribute pointer before it draws.
    if (sceneBuffer.multisampled) {
        resolvePass(resolvedSceneBuffer, resolveShader, sceneBuffer.getColorTexture(0));
        resolvePass(depthBuffer, resolveDepthShader, depthTextureOf(sceneBuffer));
        input = &resolvedSceneBuffer;
    } else {
        input = &sceneBuffer;
    }
    runChain();
    input = nullptr;
}

void PostProcessor::resolvePass(FrameBuffer& target, Shader& shader, GLuint multisampledTexture)
{
    beginPass(target, shader, GL_TEXTURE_2D_MULTISAMPLE, multisampledTexture);
    glBindSampler(0, sampler);
    glUniform1i(shader.getUniformLocation(kSampleCountUniform), window().msaaSamples);
    glUniform2f(shader.getUniformLocation(kResolutionUniform), static_cast<float>(window().width),
                static_cast<float>(window().height));
    drawQuad(quadVertexBuffer);
    endPass(target, GL_TEXTURE_2D_MULTISAMPLE);
}

void PostProcessor::runChain()
{
    glBindVertexArray(quadVertexArray);
    checkGlError();
    if (sync().getBool(kEnableBloom)) {
        brightPass();
        copyPass(bloomBuffer1, blurBuffer);  // down to half
        copyPass(bloomBuffer2, bloomBuffer1); // down to quarter
        blurPass(bloomBuffer3, bloomBuffer2, kHorizontal);
        blurPass(bloomBuffer2, bloomBuffer3, kVertical);
        copyPass(bloomBuffer1, bloomBuffer2); // up to half
        copyPass(blurBuffer, bloomBuffer1);   // up to full: the bloom image
        mixPass();
    }
    present();
}

void PostProcessor::brightPass()
{
    beginPass(blurBuffer, highPassShader, GL_TEXTURE_2D, input->getColorTexture(0));
    glUniform1f(highPassShader.getUniformLocation(kHighPassCutoffUniform), sync().getFloat(kHighPassCutoff));
    glBindSampler(0, sampler);
    drawQuad(quadVertexBuffer);
    endPass(blurBuffer, GL_TEXTURE_2D);
}

void PostProcessor::copyPass(FrameBuffer& target, FrameBuffer& source)
{
    beginPass(target, copyShader, GL_TEXTURE_2D, source.getColorTexture(0));
    glBindSampler(0, sampler);
    drawQuad(quadVertexBuffer);
    endPass(target, GL_TEXTURE_2D);
}

void PostProcessor::blurPass(FrameBuffer& target, FrameBuffer& source, const GLfloat* direction)
{
    const GLfloat texelSize[] = {1.0f / static_cast<float>(source.width), 1.0f / static_cast<float>(source.height)};
    beginPass(target, blurShader, GL_TEXTURE_2D, source.getColorTexture(0));
    glUniform2fv(blurShader.getUniformLocation(kTexelSizeUniform), 1, texelSize);
    glUniform2fv(blurShader.getUniformLocation(kBlurDirectionUniform), 1, direction);
    glUniform1f(blurShader.getUniformLocation(kBlurMagnitudeUniform), sync().getFloat(kBlurMagnitude));
    glBindSampler(0, sampler);
    drawQuad(quadVertexBuffer);
    endPass(target, GL_TEXTURE_2D);
}

void PostProcessor::mixPass()
{
    compositeBuffer.bind(true);
    glUseProgram(mixShader.program);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, input->getColorTexture(0));
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, blurBuffer.getColorTexture(0));
    glUniform1i(mixShader.getUniformLocation(kTexSamplerUniform), 0);
    glUniform1i(mixShader.getUniformLocation(kTexSampler2Uniform), 1);
    glBindSampler(0, sampler);
    glBindSampler(1, sampler);
    setMixUniforms();
    drawQuad(quadVertexBuffer);
    endPass(compositeBuffer, GL_TEXTURE_2D); // unbinds unit 1, the active one, which stays selected
    // blurBuffer is a render target again in the next frame; unit 0's texture is
    // replaced by present().
    glBindSampler(1, 0);
}

void PostProcessor::setMixUniforms()
{
    SyncDevice& tracks = sync();
    glUniform1f(mixShader.getUniformLocation(kFadeUniform), tracks.getFloat(kFade));
    glUniform1f(mixShader.getUniformLocation(kBloomDryUniform), tracks.getFloat(kBloomDry));
    glUniform1f(mixShader.getUniformLocation(kBloomWetUniform), tracks.getFloat(kBloomWet));
    glUniform1f(mixShader.getUniformLocation(kExposureUniform), tracks.getFloat(kExposure));
    glUniform1f(mixShader.getUniformLocation(kFlashUniform), tracks.getFloat(kFlash));
    glUniform1f(mixShader.getUniformLocation(kVignetteUniform), tracks.getFloat(kVignette));
    const float alpha = tracks.getFloat(kColorCorrectionA);
    const float blue = tracks.getFloat(kColorCorrectionB);
    const float green = tracks.getFloat(kColorCorrectionG);
    const float red = tracks.getFloat(kColorCorrectionR);
    glUniform4f(mixShader.getUniformLocation(kColorCorrectionUniform), red, green, blue, alpha);
}

void PostProcessor::present()
{
    GLuint source = presentSource();
    bindPassSource(copyShader, GL_TEXTURE_2D, source);
    glBindSampler(0, sampler);
    drawQuad(quadVertexBuffer);
    unbindPassSource(GL_TEXTURE_2D);
}

GLuint PostProcessor::presentSource()
{
    if (sync().getBool(kRenderDepth)) {
        // A resolved scene's own depth attachment holds only the resolve quad's
        // depth; the scene's depth was resolved into depthBuffer's colour.
        if (input == &resolvedSceneBuffer) {
            return depthBuffer.getColorTexture(0);
        }
        return depthTextureOf(*input);
    }
    if (sync().getBool(kEnableBloom)) {
        return compositeBuffer.getColorTexture(0);
    }
    return input->getColorTexture(0);
}

void PostProcessor::release()
{
    glDeleteBuffers(1, &quadVertexBuffer);
    glDeleteSamplers(1, &sampler);
    if (quadVertexArray != 0) {
        glDeleteVertexArrays(1, &quadVertexArray);
        checkGlError();
    }
    copyShader.release();
    highPassShader.release();
    blurShader.release();
    mixShader.release();
    resolveShader.release();
    resolveDepthShader.release();
    compositeBuffer.release();
    blurBuffer.release();
    bloomBuffer1.release();
    bloomBuffer2.release();
    bloomBuffer3.release();
    resolvedSceneBuffer.release();
    depthBuffer.release();
}
