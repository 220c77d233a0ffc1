#include "GlTestContext.h"
#include "render/FrameBuffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

using Viewport = std::array<GLint, 4>;

Viewport currentViewport()
{
    Viewport viewport = {-1, -1, -1, -1};
    glGetIntegerv(GL_VIEWPORT, viewport.data());
    return viewport;
}

GLint integer(GLenum name)
{
    GLint value = -1;
    glGetIntegerv(name, &value);
    return value;
}

GLint attachmentParameter(GLuint fbo, GLenum attachment, GLenum name)
{
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    GLint value = -1;
    glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, attachment, name, &value);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    return value;
}

GLint levelParameter(GLenum target, GLuint texture, GLenum name)
{
    glBindTexture(target, texture);
    GLint value = -1;
    glGetTexLevelParameteriv(target, 0, name, &value);
    glBindTexture(target, 0);
    return value;
}

GLuint nextTextureName()
{
    GLuint name = 0;
    glGenTextures(1, &name);
    glDeleteTextures(1, &name);
    return name + 1;
}

unsigned attachmentLimit()
{
    return static_cast<unsigned>(std::min(integer(GL_MAX_COLOR_ATTACHMENTS), integer(GL_MAX_DRAW_BUFFERS)));
}

// The first pixel of a single-sampled colour texture, as floats.
std::array<float, 4> firstTexel(GLuint texture)
{
    const std::vector<float> texels = readTextureRgbaFloat(texture);
    std::array<float, 4> first = {-1.0f, -1.0f, -1.0f, -1.0f};
    if (texels.size() >= 4) {
        std::copy(texels.begin(), texels.begin() + 4, first.begin());
    }
    return first;
}

float firstDepth(GLuint texture)
{
    glBindTexture(GL_TEXTURE_2D, texture);
    GLint width = 0;
    GLint height = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    std::vector<float> depth(static_cast<size_t>(width) * height, -1.0f);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    return depth.empty() ? -1.0f : depth[0];
}

// Clears the bound framebuffer's colour to c, the way a renderer would with it bound.
void clearColour(const std::array<float, 4>& c)
{
    glClearColor(c[0], c[1], c[2], c[3]);
    glClear(GL_COLOR_BUFFER_BIT);
}

constexpr std::array<float, 4> kOrange = {1.0f, 0.5f, 0.0f, 1.0f};
constexpr std::array<float, 4> kTeal = {0.0f, 0.25f, 0.75f, 0.5f};

using FrameBufferTest = GlTest;

struct AttachmentCase {
    const char* label;
    int samples;
    GLenum target;
    unsigned colorCount;
    bool withDepth;
    GLenum colorFormat;
};

TEST_F(FrameBufferTest, AttachesTexturesOfTheRightKind)
{
    const AttachmentCase cases[] = {
        {"single-sampled", 0, GL_TEXTURE_2D, 2, true, GL_RGBA16F},
        {"multisampled", 4, GL_TEXTURE_2D_MULTISAMPLE, 2, true, GL_RGBA16F},
        {"colour only", 0, GL_TEXTURE_2D, 1, false, GL_R16F},
        {"multisampled colour only", 4, GL_TEXTURE_2D_MULTISAMPLE, 1, false, GL_RGBA},
    };
    for (const AttachmentCase& c : cases) {
        SCOPED_TRACE(c.label);
        FrameBuffer buffer;
        ASSERT_TRUE(buffer.create(96, 48, c.colorCount, c.withDepth, c.colorFormat, c.samples));
        EXPECT_EQ(0, integer(GL_FRAMEBUFFER_BINDING));
        EXPECT_EQ(c.samples > 0, buffer.multisampled);
        EXPECT_EQ(96, buffer.width);
        EXPECT_EQ(48, buffer.height);
        EXPECT_EQ(c.colorCount, buffer.colorCount);
        for (unsigned i = 0; i < c.colorCount; ++i) {
            const GLuint texture = buffer.getColorTexture(i);
            EXPECT_TRUE(glIsTexture(texture));
            EXPECT_EQ(static_cast<GLint>(texture),
                      attachmentParameter(buffer.fbo, GL_COLOR_ATTACHMENT0 + i, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME));
            EXPECT_EQ(c.samples, levelParameter(c.target, texture, GL_TEXTURE_SAMPLES));
            EXPECT_EQ(96, levelParameter(c.target, texture, GL_TEXTURE_WIDTH));
            // An unsized GL_RGBA is stored as the driver likes; sized formats come back as asked.
            if (c.colorFormat != GL_RGBA) {
                EXPECT_EQ(static_cast<GLint>(c.colorFormat), levelParameter(c.target, texture, GL_TEXTURE_INTERNAL_FORMAT));
            }
            glBindFramebuffer(GL_FRAMEBUFFER, buffer.fbo);
            EXPECT_EQ(static_cast<GLint>(GL_COLOR_ATTACHMENT0 + i), integer(GL_DRAW_BUFFER0 + i));
            glBindFramebuffer(GL_FRAMEBUFFER, 0);
        }
        if (c.withDepth) {
            ASSERT_NE(nullptr, buffer.depthTexture);
            EXPECT_EQ(static_cast<GLenum>(GL_DEPTH_COMPONENT32), buffer.depthTexture->internalFormat);
            EXPECT_EQ(static_cast<GLint>(buffer.depthTexture->id),
                      attachmentParameter(buffer.fbo, GL_DEPTH_ATTACHMENT, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME));
            EXPECT_EQ(c.samples, levelParameter(c.target, buffer.depthTexture->id, GL_TEXTURE_SAMPLES));
            EXPECT_GT(levelParameter(c.target, buffer.depthTexture->id, GL_TEXTURE_DEPTH_SIZE), 0);
        } else {
            EXPECT_EQ(nullptr, buffer.depthTexture);
            EXPECT_EQ(GL_NONE,
                      attachmentParameter(buffer.fbo, GL_DEPTH_ATTACHMENT, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE));
        }
        EXPECT_EQ(GL_NONE,
                  attachmentParameter(buffer.fbo, GL_STENCIL_ATTACHMENT, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE));
        const GLuint firstColour = buffer.getColorTexture(0);
        buffer.release();
        EXPECT_FALSE(glIsTexture(firstColour));
        EXPECT_FALSE(glIsFramebuffer(buffer.fbo));
    }
}

TEST_F(FrameBufferTest, TooManyColourAttachmentsFailBeforeAnyTexture)
{
    const unsigned limit = attachmentLimit();
    ASSERT_GT(limit, 0u);
    const GLuint next = nextTextureName();
    FrameBuffer tooMany;
    EXPECT_FALSE(tooMany.create(16, 16, limit + 1, true, GL_RGBA, 0));
    // Not one texture name was handed out.
    EXPECT_EQ(next + 1, nextTextureName());
    EXPECT_EQ(0, integer(GL_FRAMEBUFFER_BINDING));
    EXPECT_EQ(0u, tooMany.getColorTexture(0));
    tooMany.release();

    FrameBuffer atTheLimit;
    ASSERT_TRUE(atTheLimit.create(16, 16, limit, false, GL_RGBA, 0));
    EXPECT_NE(0u, atTheLimit.getColorTexture(limit - 1));
    atTheLimit.release();
}

struct IncompleteCase {
    const char* label;
    unsigned colorCount;
    bool withDepth;
    GLenum colorFormat;
};

TEST_F(FrameBufferTest, IncompleteBufferFailsAndLeavesNothingBehind)
{
    const IncompleteCase cases[] = {
        {"no attachment at all", 0, false, GL_RGBA},
        {"colour format that cannot be rendered to", 1, true, GL_RGB9_E5},
    };
    for (const IncompleteCase& c : cases) {
        SCOPED_TRACE(c.label);
        const GLuint next = nextTextureName();
        FrameBuffer buffer;
        EXPECT_FALSE(buffer.create(16, 16, c.colorCount, c.withDepth, c.colorFormat, 0));
        takeGlErrors();
        EXPECT_EQ(0, integer(GL_FRAMEBUFFER_BINDING));
        EXPECT_EQ(0u, buffer.fbo);
        EXPECT_EQ(nullptr, buffer.depthTexture);
        EXPECT_EQ(nullptr, buffer.colorTextures);
        for (GLuint name = next; name < next + 2; ++name) {
            EXPECT_FALSE(glIsTexture(name)) << name;
        }
        buffer.release();
        EXPECT_EQ(0u, glGetError());
    }
}

TEST_F(FrameBufferTest, ColourTextureIndexPastTheEndIsZero)
{
    FrameBuffer buffer;
    ASSERT_TRUE(buffer.create(8, 8, 3, false, GL_RGBA, 0));
    for (unsigned i = 0; i < 3; ++i) {
        EXPECT_NE(0u, buffer.getColorTexture(i));
    }
    EXPECT_EQ(0u, buffer.getColorTexture(3));
    EXPECT_EQ(0u, buffer.getColorTexture(1000));
    buffer.release();
    EXPECT_EQ(0u, FrameBuffer().getColorTexture(0));
}

struct ViewportCase {
    Viewport before;
    Viewport after;
};

TEST_F(FrameBufferTest, UnbindRestoresTheFarEdgesOfTheViewport)
{
    FrameBuffer buffer;
    ASSERT_TRUE(buffer.create(64, 32, 1, true, GL_RGBA16F, 0));
    const ViewportCase cases[] = {
        {{0, 0, 1280, 720}, {0, 0, 1280, 720}},
        {{10, 20, 100, 100}, {0, 0, 110, 120}},
    };
    for (const ViewportCase& c : cases) {
        glViewport(c.before[0], c.before[1], c.before[2], c.before[3]);
        buffer.bind(true);
        EXPECT_EQ(static_cast<GLint>(buffer.fbo), integer(GL_DRAW_FRAMEBUFFER_BINDING));
        EXPECT_EQ(static_cast<GLint>(buffer.fbo), integer(GL_READ_FRAMEBUFFER_BINDING));
        EXPECT_EQ((Viewport{0, 0, 64, 32}), currentViewport());
        buffer.unbind();
        EXPECT_EQ(0, integer(GL_FRAMEBUFFER_BINDING));
        EXPECT_EQ(c.after, currentViewport());
    }
    buffer.release();
}

TEST_F(FrameBufferTest, BindsDoNotNest)
{
    FrameBuffer a;
    FrameBuffer b;
    ASSERT_TRUE(a.create(64, 32, 1, false, GL_RGBA, 0));
    ASSERT_TRUE(b.create(16, 8, 1, false, GL_RGBA, 0));
    a.bind(false);
    b.bind(false);
    EXPECT_EQ(static_cast<GLint>(b.fbo), integer(GL_FRAMEBUFFER_BINDING));
    b.unbind();
    EXPECT_EQ(0, integer(GL_DRAW_FRAMEBUFFER_BINDING));
    EXPECT_EQ(0, integer(GL_READ_FRAMEBUFFER_BINDING));
    EXPECT_EQ((Viewport{0, 0, 64, 32}), currentViewport());
    a.release();
    b.release();
}

TEST_F(FrameBufferTest, ClearColourReadsBackFromTheColourTextureAndSparesTheWindow)
{
    clearColour(kTeal);
    FrameBuffer buffer;
    ASSERT_TRUE(buffer.create(32, 16, 2, true, GL_RGBA16F, 0));
    glClearColor(kOrange[0], kOrange[1], kOrange[2], kOrange[3]);
    buffer.bind(true);
    buffer.unbind();
    // Every colour attachment is a draw buffer, so the clear reached both.
    EXPECT_EQ(kOrange, firstTexel(buffer.getColorTexture(0)));
    EXPECT_EQ(kOrange, firstTexel(buffer.getColorTexture(1)));
    const std::vector<float> all = readTextureRgbaFloat(buffer.getColorTexture(0));
    EXPECT_EQ(32u * 16u * 4u, all.size());
    EXPECT_EQ(all.back(), kOrange[3]);
    // The window still holds its own colour (8 bits a channel: within one step).
    const std::vector<uint8_t> window = readPixels(5, 5, 1, 1);
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(kTeal[i] * 255.0f, window[i], 1.0f) << i;
    }
    buffer.release();
}

TEST_F(FrameBufferTest, BindWithoutClearKeepsColourAndDepth)
{
    FrameBuffer buffer;
    ASSERT_TRUE(buffer.create(32, 16, 1, true, GL_RGBA16F, 0));
    glClearColor(kOrange[0], kOrange[1], kOrange[2], kOrange[3]);
    glClearDepth(0.25);
    buffer.bind(true);
    buffer.unbind();
    EXPECT_EQ(kOrange, firstTexel(buffer.getColorTexture(0)));
    EXPECT_FLOAT_EQ(0.25f, firstDepth(buffer.depthTexture->id));

    glClearColor(kTeal[0], kTeal[1], kTeal[2], kTeal[3]);
    glClearDepth(1.0);
    buffer.bind(false);
    buffer.unbind();
    EXPECT_EQ(kOrange, firstTexel(buffer.getColorTexture(0)));
    EXPECT_FLOAT_EQ(0.25f, firstDepth(buffer.depthTexture->id));

    buffer.bind(true);
    buffer.unbind();
    EXPECT_EQ(kTeal, firstTexel(buffer.getColorTexture(0)));
    EXPECT_FLOAT_EQ(1.0f, firstDepth(buffer.depthTexture->id));
    buffer.release();
}

TEST_F(FrameBufferTest, MultisampledClearResolvesToTheClearColour)
{
    FrameBuffer multisampled;
    FrameBuffer resolved;
    ASSERT_TRUE(multisampled.create(32, 16, 1, true, GL_RGBA16F, 4));
    ASSERT_TRUE(resolved.create(32, 16, 1, false, GL_RGBA16F, 0));
    glClearColor(kTeal[0], kTeal[1], kTeal[2], kTeal[3]);
    multisampled.bind(true);
    multisampled.unbind();
    glBindFramebuffer(GL_READ_FRAMEBUFFER, multisampled.fbo);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, resolved.fbo);
    glBlitFramebuffer(0, 0, 32, 16, 0, 0, 32, 16, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    EXPECT_EQ(kTeal, firstTexel(resolved.getColorTexture(0)));
    multisampled.release();
    resolved.release();
}

}
