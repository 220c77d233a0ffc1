#include "test_postprocessor_fixture.h"

#include <cstdio>
#include <set>

using namespace postfx_test;

namespace {

std::vector<std::string> openedTracks;

FILE* recordingOpen(const char* path, const char* mode)
{
    std::string name = path;
    name = name.substr(name.rfind('/') + 1);
    openedTracks.push_back(name);
    return std::fopen(path, mode);
}

}

TEST_F(PostProcessorTest, ReadsEveryFxTrackByNameInItsOrder)
{
    initAll(kWidth, kHeight, 0);
    setTracks({{"FX.EnableBloom", 1.0f}});
    // The store opens a track's file when the track is first asked for.
    engine->syncDevice.store->openFile = recordingOpen;
    openedTracks.clear();
    applyFrame();
    const std::vector<std::string> expected = {
        "_FX.EnableBloom.track", "_FX.HighPassCutoff.track", "_FX.BlurMagnitude.track", "_FX.Fade.track",
        "_FX.BloomDry.track",    "_FX.BloomWet.track",       "_FX.Exposure.track",      "_FX.Flash.track",
        "_FX.Vignette.track",    "_FX.BG_A.track",           "_FX.BG_B.track",          "_FX.BG_G.track",
        "_FX.BG_R.track",        "_FX.RenderDepth.track",
    };
    EXPECT_EQ(openedTracks, expected);
}

TEST_F(PostProcessorTest, BuffersTakeTheirSizesAndFormatsFromTheWindow)
{
    initAll(1366, 768, 0);
    PostProcessor& p = postProcessor;
    const std::set<GLint> rgba8 = {GL_RGBA, GL_RGBA8};
    const struct {
        const char* name;
        FrameBuffer& buffer;
        int width;
        int height;
        std::set<GLint> formats;
        bool depth;
    } cases[] = {
        {"resolved scene", p.resolvedSceneBuffer, 1366, 768, {GL_RGBA16F}, true},
        {"depth", p.depthBuffer, 1366, 768, {GL_R16F}, false},
        {"blur", p.blurBuffer, 1366, 768, rgba8, false},
        {"composite", p.compositeBuffer, 1366, 768, rgba8, false},
        {"bloom 1", p.bloomBuffer1, 683, 384, rgba8, false},
        {"bloom 2", p.bloomBuffer2, 341, 192, rgba8, false},
        {"bloom 3", p.bloomBuffer3, 341, 192, rgba8, false},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        EXPECT_EQ(testCase.buffer.width, testCase.width);
        EXPECT_EQ(testCase.buffer.height, testCase.height);
        EXPECT_FALSE(testCase.buffer.multisampled);
        EXPECT_EQ(testCase.buffer.colorCount, 1u);
        EXPECT_EQ(testCase.buffer.depthTexture != nullptr, testCase.depth);
        GLint width = 0;
        GLint format = 0;
        glBindTexture(GL_TEXTURE_2D, testCase.buffer.getColorTexture(0));
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
        glBindTexture(GL_TEXTURE_2D, 0);
        EXPECT_EQ(width, testCase.width);
        EXPECT_EQ(testCase.formats.count(format), 1u) << "format 0x" << std::hex << format;
    }

    // Both blur passes measure their texels on the quarter-size buffers.
    setTracks(neutralBloom());
    applyFrame();
    GLfloat texelSize[2] = {0.0f, 0.0f};
    glGetUniformfv(p.blurShader.program, glGetUniformLocation(p.blurShader.program, "uTexelSize"), texelSize);
    EXPECT_FLOAT_EQ(texelSize[0], 1.0f / 341.0f);
    EXPECT_FLOAT_EQ(texelSize[1], 1.0f / 192.0f);
}

// Anisotropy stays at 1: raised, llvmpipe filters a wider footprint even for the
// 1:1 copy, and the picture no longer matches the scene (see the bloom-off test).
TEST_F(PostProcessorTest, SamplerClampsAndFiltersLinearlyWithoutAnisotropy)
{
    initAll(kWidth, kHeight, 0);
    const GLuint sampler = postProcessor.sampler;
    const struct {
        GLenum parameter;
        GLint value;
    } cases[] = {{GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE},
                 {GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE},
                 {GL_TEXTURE_MIN_FILTER, GL_LINEAR},
                 {GL_TEXTURE_MAG_FILTER, GL_LINEAR}};
    for (const auto& testCase : cases) {
        GLint value = 0;
        glGetSamplerParameteriv(sampler, testCase.parameter, &value);
        EXPECT_EQ(value, testCase.value) << "parameter 0x" << std::hex << testCase.parameter;
    }
    GLfloat anisotropy = 0.0f;
    glGetSamplerParameterfv(sampler, GL_TEXTURE_MAX_ANISOTROPY_EXT, &anisotropy);
    EXPECT_EQ(anisotropy, 1.0f);
}

TEST_F(PostProcessorTest, InitFailuresNameTheBufferOrShaderThatFailed)
{
    const struct {
        const char* name;
        int width;
        int height;
        const char* missingShader; // removed from a copy of the shader folder, or null
        const char* message;
    } cases[] = {
        {"empty window", 0, 0, nullptr, "Failed to initialize Resolved Scene Frame Buffer!"},
        {"no half size", 1, 1, nullptr, "Failed to initialize Bloom Frame Buffer1!"},
        {"no quarter size", 3, 3, nullptr, "Failed to initialize Bloom Frame Buffer2!"},
        {"copy", 64, 64, "CopyTex.frag", "Failed to initialize Copy Shader!"},
        {"high pass", 64, 64, "HighPass.frag", "Failed to initialize High Pass Shader!"},
        {"blur", 64, 64, "Blur.frag", "Failed to initialize Blur Shader!"},
        {"mix", 64, 64, "Mix.frag", "Failed to initialize Mix Shader!"},
        {"resolve", 64, 64, "ResolveFBO.frag", "Failed to initialize Resolve FBO Shader!"},
        {"resolve depth", 64, 64, "ResolveDepth.frag", "Failed to initialize Resolve Depth Shader!"},
        {"shared vertex stage", 64, 64, "FullscreenQuad.vert", "Failed to initialize Copy Shader!"},
    };
    const std::string home = sourceDir();
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        const std::string work = makeTempDir("postfx-init");
        copyTree(home + "/res/shaders", work + "/res/shaders");
        if (testCase.missingShader != nullptr) {
            ASSERT_EQ(std::remove((work + "/res/shaders/" + testCase.missingShader).c_str()), 0);
        }
        ASSERT_EQ(chdir(work.c_str()), 0);
        engine->window.width = testCase.width;
        engine->window.height = testCase.height;
        PostProcessor failing;
        {
            LogCapture log;
            EXPECT_FALSE(failing.init());
            EXPECT_EQ(log.count(testCase.message), 1);
            // Nothing after the failing step was made.
            EXPECT_EQ(failing.quadVertexBuffer, 0u);
            EXPECT_EQ(failing.sampler, 0u);
        }
        failing.release();
        takeGlErrors(); // zero-sized storage makes the driver complain; not under test
        ASSERT_EQ(chdir(home.c_str()), 0);
        removeTree(work);
    }
}
