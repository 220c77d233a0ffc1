#include "test_postprocessor_fixture.h"

using namespace postfx_test;

namespace {

const char* const kTriangleVertex = R"(#version 330 core
layout(location = 0) in vec2 aPosition;
uniform float uDepth;
void main() { gl_Position = vec4(aPosition, uDepth, 1.0); }
)";

const char* const kTriangleFragment = R"(#version 330 core
uniform vec4 uColor;
out vec4 fragColor;
void main() { fragColor = uColor; }
)";

// Counter-clockwise, so it survives the scene's culling; its slanted edges cut
// through many pixels.
const GLfloat kTriangle[] = {-0.6f, -0.5f, 0.7f, -0.3f, -0.1f, 0.8f};
const GLfloat kTriangleColor[] = {0.2f, 0.6f, 1.0f, 1.0f};
// Clip-space z 0.5 lands at window depth 0.75; the cleared background stays at 1.
constexpr float kTriangleClipDepth = 0.5f;
constexpr float kTriangleDepth = 0.75f;

GLuint compile(GLenum type, const char* source)
{
    GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    return shader;
}

}

class ResolveTest : public PostProcessorTest {
protected:
    void TearDown() override
    {
        releaseTriangle();
        oracle.release();
        PostProcessorTest::TearDown();
    }

    // A fresh post processor and scene buffer with the triangle drawn into it.
    void startScene(int samples)
    {
        releaseTriangle();
        oracle.release();
        postProcessor.release();
        sceneBuffer.release();
        oracle = FrameBuffer();
        postProcessor = PostProcessor();
        sceneBuffer = FrameBuffer();
        initAll(kWidth, kHeight, samples);
        drawSceneTriangle();
    }

    void releaseTriangle()
    {
        glDeleteProgram(program);
        glDeleteBuffers(1, &vertexBuffer);
        glDeleteVertexArrays(1, &vertexArray);
        program = vertexBuffer = vertexArray = 0;
    }

    // Draws the triangle into the scene buffer like a scene object does, leaving
    // its vertex array bound.
    void drawSceneTriangle()
    {
        program = glCreateProgram();
        GLuint vertex = compile(GL_VERTEX_SHADER, kTriangleVertex);
        GLuint fragment = compile(GL_FRAGMENT_SHADER, kTriangleFragment);
        glAttachShader(program, vertex);
        glAttachShader(program, fragment);
        glLinkProgram(program);
        glDeleteShader(vertex);
        glDeleteShader(fragment);
        glGenVertexArrays(1, &vertexArray);
        glBindVertexArray(vertexArray);
        glGenBuffers(1, &vertexBuffer);
        glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
        glBufferData(GL_ARRAY_BUFFER, sizeof(kTriangle), kTriangle, GL_STATIC_DRAW);
        glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 0, nullptr);
        glEnableVertexAttribArray(0);

        glViewport(0, 0, kWidth, kHeight);
        sceneBuffer.bind(true);
        glUseProgram(program);
        glUniform4fv(glGetUniformLocation(program, "uColor"), 1, kTriangleColor);
        glUniform1f(glGetUniformLocation(program, "uDepth"), kTriangleClipDepth);
        glDrawArrays(GL_TRIANGLES, 0, 3);
        glUseProgram(0);
        sceneBuffer.unbind();
    }

    // The GL's own resolve of the scene colour, to hold the shader resolve against.
    std::vector<float> oracleResolve()
    {
        EXPECT_TRUE(oracle.create(kWidth, kHeight, 1, false, GL_RGBA16F, 0));
        glBindFramebuffer(GL_READ_FRAMEBUFFER, sceneBuffer.fbo);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, oracle.fbo);
        glBlitFramebuffer(0, 0, kWidth, kHeight, 0, 0, kWidth, kHeight, GL_COLOR_BUFFER_BIT, GL_NEAREST);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        return readTextureRgbaFloat(oracle.getColorTexture(0));
    }

    // Triangle coverage per pixel from a resolved colour: the background is black.
    static float coverage(const std::vector<float>& resolved, size_t pixel)
    {
        return resolved[pixel * 4 + 2] / kTriangleColor[2];
    }

    GLuint program = 0;
    GLuint vertexArray = 0;
    GLuint vertexBuffer = 0;
    FrameBuffer oracle;
};

TEST_F(ResolveTest, MultisampledEdgesResolveToTheAverageOfTheirSamples)
{
    startScene(4);
    const std::vector<float> expected = oracleResolve();
    applyFrame();

    const std::vector<float> resolved = readTextureRgbaFloat(postProcessor.resolvedSceneBuffer.getColorTexture(0));
    ASSERT_EQ(resolved.size(), expected.size());
    int partial = 0;
    int mismatched = 0;
    for (size_t i = 0; i < resolved.size(); ++i) {
        if (std::fabs(resolved[i] - expected[i]) > 2e-3f) {
            ++mismatched;
        }
    }
    for (size_t pixel = 0; pixel < resolved.size() / 4; ++pixel) {
        const float c = coverage(expected, pixel);
        if (c > 0.1f && c < 0.9f) {
            ++partial;
        }
    }
    EXPECT_EQ(mismatched, 0);
    // The comparison means something only if the edges really are mixed.
    EXPECT_GT(partial, 200);

    const std::vector<uint8_t> window = readWindow();
    int windowMismatched = 0;
    for (size_t i = 0; i < window.size(); i += 4) {
        for (size_t c = 0; c < 3; ++c) {
            if (std::abs(window[i + c] - toByte(expected[i + c])) > 1) {
                ++windowMismatched;
            }
        }
    }
    EXPECT_EQ(windowMismatched, 0);
}

TEST_F(ResolveTest, OnlyAMultisampledSceneIsResolved)
{
    for (int samples : {0, 4}) {
        SCOPED_TRACE(testing::Message() << "samples " << samples);
        startScene(samples);
        fillWithSentinel(postProcessor.resolvedSceneBuffer);
        fillWithSentinel(postProcessor.depthBuffer);
        applyFrame();
        EXPECT_EQ(holdsSentinel(postProcessor.resolvedSceneBuffer), samples == 0);
        EXPECT_EQ(holdsSentinel(postProcessor.depthBuffer), samples == 0);
    }
}

TEST_F(ResolveTest, RenderDepthShowsTheSceneDepthWhateverBloomSays)
{
    const struct {
        int samples;
        float bloom;
    } cases[] = {{0, 0.0f}, {0, 1.0f}, {4, 0.0f}, {4, 1.0f}};
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testing::Message() << "samples " << testCase.samples << ", bloom " << testCase.bloom);
        startScene(testCase.samples);
        const std::vector<float> resolved =
            testCase.samples > 0 ? oracleResolve() : readTextureRgbaFloat(sceneBuffer.getColorTexture(0));
        setTracks(neutralBloom({{"FX.EnableBloom", testCase.bloom}, {"FX.RenderDepth", 1.0f}}));
        fillWithSentinel(postProcessor.compositeBuffer);
        applyFrame();

        // The depth of a pixel is the coverage-weighted mean of triangle and background.
        const std::vector<uint8_t> window = readWindow();
        int mismatched = 0;
        for (size_t pixel = 0; pixel < window.size() / 4; ++pixel) {
            const float c = coverage(resolved, pixel);
            const float depth = c * kTriangleDepth + (1.0f - c) * 1.0f;
            if (std::abs(window[pixel * 4] - toByte(depth)) > 1) {
                ++mismatched;
            }
        }
        EXPECT_EQ(mismatched, 0);
        EXPECT_EQ(pixelAt(window, kWidth, kWidth / 2, kHeight / 2).r, toByte(kTriangleDepth));
        // The chain still runs when bloom is on.
        EXPECT_EQ(holdsSentinel(postProcessor.compositeBuffer), testCase.bloom == 0.0f);
    }
}

TEST_F(ResolveTest, ApplyLeavesTheWindowCurrentWithoutErrorsOrMessages)
{
    for (int samples : {0, 4}) {
        startScene(samples);
        for (float bloom : {0.0f, 1.0f}) {
            for (float depth : {0.0f, 1.0f}) {
                SCOPED_TRACE(testing::Message() << "samples " << samples << ", bloom " << bloom << ", depth "
                                                << depth);
                setTracks(neutralBloom({{"FX.EnableBloom", bloom}, {"FX.RenderDepth", depth}}));
                takeGlErrors();
                LogCapture log;
                for (int frame = 0; frame < 2; ++frame) {
                    applyFrame();
                }
                EXPECT_TRUE(takeGlErrors().empty());
                EXPECT_TRUE(log.lines().empty()) << log.lines().front();
                GLint viewport[4] = {};
                GLint framebuffer = -1;
                GLint currentProgram = -1;
                glGetIntegerv(GL_VIEWPORT, viewport);
                glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &framebuffer);
                glGetIntegerv(GL_CURRENT_PROGRAM, &currentProgram);
                EXPECT_EQ(viewport[0], 0);
                EXPECT_EQ(viewport[1], 0);
                EXPECT_EQ(viewport[2], kWidth);
                EXPECT_EQ(viewport[3], kHeight);
                EXPECT_EQ(framebuffer, 0);
                EXPECT_EQ(currentProgram, 0);
                EXPECT_EQ(postProcessor.input, nullptr);
            }
        }
    }
}
