#pragma once

#include "GlTestContext.h"
#include "TestPaths.h"
#include "TrackFiles.h"
#include "engine/Engine.h"
#include "postfx/PostProcessor.h"
#include "timeline/TrackStore.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// Shared by the post processor's GL test programs: an Engine reached through
// Engine::instance with the window's size set directly, FX tracks fed through
// real track files, a scene frame buffer to hand to apply, and read-back helpers.
namespace postfx_test {

using namespace testing_support;

using TrackValues = std::vector<std::pair<std::string, float>>;

constexpr int kWidth = kGlWindowWidth;
constexpr int kHeight = kGlWindowHeight;

// A grade that leaves the scene as it is: only the dry image, no bloom added.
inline TrackValues neutralBloom(const TrackValues& overrides = {})
{
    TrackValues values = {
        {"FX.EnableBloom", 1.0f}, {"FX.HighPassCutoff", 0.5f}, {"FX.BlurMagnitude", 1.0f},
        {"FX.Fade", 1.0f},        {"FX.BloomDry", 1.0f},       {"FX.BloomWet", 0.0f},
        {"FX.Exposure", 0.0f},    {"FX.Flash", 0.0f},          {"FX.Vignette", 0.0f},
    };
    for (const auto& entry : overrides) {
        values.push_back(entry);
    }
    return values;
}

struct Rgba {
    uint8_t r, g, b, a;
};

inline Rgba pixelAt(const std::vector<uint8_t>& pixels, int width, int x, int y)
{
    const size_t i = (static_cast<size_t>(y) * width + x) * 4;
    return {pixels[i], pixels[i + 1], pixels[i + 2], pixels[i + 3]};
}

inline uint8_t toByte(float value)
{
    return static_cast<uint8_t>(std::lround(std::fmin(std::fmax(value, 0.0f), 1.0f) * 255.0f));
}

class PostProcessorTest : public GlTest {
protected:
    static void SetUpTestSuite()
    {
        // The shader paths are relative to the working folder, as in the demo.
        ASSERT_EQ(chdir(sourceDir().c_str()), 0);
    }

    void SetUp() override
    {
        GlTest::SetUp();
        engine = std::make_unique<Engine>();
        Engine::instance = engine.get();
        setTracks({});
        // The state the scene sets once and nobody changes.
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_CULL_FACE);
        glFrontFace(GL_CCW);
    }

    void TearDown() override
    {
        postProcessor.release();
        sceneBuffer.release();
        engine->syncDevice.shutdown();
        Engine::instance = nullptr;
        engine.reset();
        for (const std::string& dir : trackDirs) {
            removeTree(dir);
        }
        GlTest::TearDown();
    }

    // A fresh store over fresh files: the store keeps each track once it is read.
    void setTracks(const TrackValues& values)
    {
        engine->syncDevice.shutdown();
        const std::string dir = makeTempDir("postfx-tracks");
        trackDirs.push_back(dir);
        for (const auto& entry : values) {
            writeConstantTrack(dir, entry.first, entry.second);
        }
        engine->syncDevice.store = createTrackStore((dir + "/").c_str());
        engine->syncDevice.row = 0.0f;
    }

    // The post processor and a scene buffer as the scene makes them.
    void initAll(int width, int height, int samples)
    {
        engine->window.width = width;
        engine->window.height = height;
        engine->window.msaaSamples = samples;
        ASSERT_TRUE(postProcessor.init());
        ASSERT_TRUE(sceneBuffer.create(width, height, 1, true, GL_RGBA16F, samples));
    }

    // One frame as the scene ends it: the window cleared, its viewport current.
    void applyFrame()
    {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glViewport(0, 0, kWidth, kHeight);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        postProcessor.apply(sceneBuffer);
    }

    std::vector<uint8_t> readWindow()
    {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        return readPixels(0, 0, kWidth, kHeight);
    }

    // Single-sampled scene content, RGBA floats, rows bottom to top.
    void uploadScene(const std::vector<float>& rgba)
    {
        glBindTexture(GL_TEXTURE_2D, sceneBuffer.getColorTexture(0));
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, sceneBuffer.width, sceneBuffer.height, GL_RGBA, GL_FLOAT,
                        rgba.data());
        glBindTexture(GL_TEXTURE_2D, 0);
    }

    void uploadFlatScene(float r, float g, float b)
    {
        std::vector<float> rgba;
        for (int i = 0; i < sceneBuffer.width * sceneBuffer.height; ++i) {
            rgba.insert(rgba.end(), {r, g, b, 1.0f});
        }
        uploadScene(rgba);
    }

    // Fills a buffer with a colour no pass writes, to see afterwards whether one ran.
    static void fillWithSentinel(FrameBuffer& buffer)
    {
        glClearColor(kSentinel[0], kSentinel[1], kSentinel[2], kSentinel[3]);
        buffer.bind(true);
        buffer.unbind();
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    }

    static bool holdsSentinel(const FrameBuffer& buffer)
    {
        const std::vector<float> texels = readTextureRgbaFloat(buffer.getColorTexture(0));
        if (texels.empty()) {
            return false;
        }
        for (size_t i = 0; i < texels.size(); i += 4) {
            // A one-channel buffer reads back only its red.
            if (std::fabs(texels[i] - kSentinel[0]) > 0.01f) {
                return false;
            }
        }
        return true;
    }

    std::vector<FrameBuffer*> chainBuffers()
    {
        return {&postProcessor.blurBuffer, &postProcessor.bloomBuffer1, &postProcessor.bloomBuffer2,
                &postProcessor.bloomBuffer3, &postProcessor.compositeBuffer};
    }

    static constexpr float kSentinel[4] = {0.2f, 0.4f, 0.6f, 0.8f};

    std::unique_ptr<Engine> engine;
    PostProcessor postProcessor;
    FrameBuffer sceneBuffer;
    std::vector<std::string> trackDirs;
};

}
