#pragma once

// A scene on the shared test window, fed by tracks written to real files.
// The GL tests of the scene and its objects share it; they never start the
// whole engine, only set what the scene reads through Engine::instance.
#include "GlTestContext.h"
#include "TestPaths.h"
#include "TrackFiles.h"

#include "engine/Engine.h"
#include "scene/ObjectList.h"
#include "timeline/TrackStore.h"

#include <GL/glew.h>
#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>
#include <glm/vec4.hpp>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace testing_support {

// Shaders and the noise image are found relative to the working directory,
// as the program finds them; each test program works in its own copy.
class SceneWorkDir {
public:
    explicit SceneWorkDir(bool withTexture = true)
    {
        path = makeTempDir("morlenth-scene");
        copyTree(sourceDir() + "/res/shaders", path + "/res/shaders");
        if (withTexture) {
            copyTree(sourceDir() + "/res/textures", path + "/res/textures");
        }
        char buffer[4096];
        previous = getcwd(buffer, sizeof buffer) != nullptr ? buffer : sourceDir();
        if (chdir(path.c_str()) != 0) {
            ADD_FAILURE() << "cannot enter " << path;
        }
    }
    ~SceneWorkDir()
    {
        if (chdir(previous.c_str()) != 0) {
            ADD_FAILURE() << "cannot return to " << previous;
        }
        removeTree(path);
    }
    SceneWorkDir(const SceneWorkDir&) = delete;
    SceneWorkDir& operator=(const SceneWorkDir&) = delete;

    std::string path;

private:
    std::string previous;
};

class SceneTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { workDir = std::make_unique<SceneWorkDir>(); }
    static void TearDownTestSuite() { workDir.reset(); }

    void SetUp() override
    {
        trackDir = makeTempDir("morlenth-scene-tracks");
        engine = std::make_unique<Engine>();
        Engine::instance = engine.get();
        engine->window.width = kGlWindowWidth;
        engine->window.height = kGlWindowHeight;
        engine->window.msaaSamples = 4;
        engine->syncDevice.store = createTrackStore((trackDir + "/").c_str());
        glViewport(0, 0, kGlWindowWidth, kGlWindowHeight);
    }

    void TearDown() override
    {
        if (started) {
            engine->scene.shutdown();
        }
        engine->syncDevice.shutdown();
        Engine::instance = nullptr;
        engine.reset();
        removeTree(trackDir);
    }

    Scene& scene() { return engine->scene; }

    // Tracks must be written before the first frame reads them: a track's file
    // is read once, when its name is first asked for.
    void setTrack(const std::string& name, float value) { writeConstantTrack(trackDir, name, value); }

    bool startScene()
    {
        started = scene().init();
        return started;
    }

    bool trackRecordExists(const char* name) const { return findTrack(engine->syncDevice.store, name) >= 0; }

    // One whole frame, drawn into the window's back buffer and read back.
    std::vector<uint8_t> renderFrame(float time)
    {
        scene().render(time);
        glFinish();
        return readPixels(0, 0, kGlWindowWidth, kGlWindowHeight);
    }

    // Starts the scene with the demo's objects and draws one frame.
    std::vector<uint8_t> frameWithDemoObjects(float time)
    {
        EXPECT_TRUE(startScene());
        addDemoObjects(scene());
        return renderFrame(time);
    }

    void lookFrom(glm::vec3 eye, glm::vec3 focus)
    {
        setTrack("Camera.X", eye.x);
        setTrack("Camera.Y", eye.y);
        setTrack("Camera.Z", eye.z);
        setTrack("Focus.X", focus.x);
        setTrack("Focus.Y", focus.y);
        setTrack("Focus.Z", focus.z);
    }

    // Where a world point lands in the window, in pixels from the bottom left.
    glm::vec3 projectToWindow(const glm::vec3& world) const
    {
        const Scene& s = engine->scene;
        glm::vec4 clip = s.projectionMatrix * s.viewMatrix * glm::vec4(world, 1.0f);
        glm::vec3 ndc = glm::vec3(clip) / clip.w;
        return glm::vec3((ndc.x * 0.5f + 0.5f) * kGlWindowWidth, (ndc.y * 0.5f + 0.5f) * kGlWindowHeight, ndc.z);
    }

    static inline std::unique_ptr<SceneWorkDir> workDir;
    std::string trackDir;
    std::unique_ptr<Engine> engine;
    bool started = false;
};

// A rectangle of the window, in pixels.
struct ScreenBox {
    float minX = 1e9f, minY = 1e9f, maxX = -1e9f, maxY = -1e9f;

    void add(glm::vec3 p)
    {
        minX = std::min(minX, p.x);
        minY = std::min(minY, p.y);
        maxX = std::max(maxX, p.x);
        maxY = std::max(maxY, p.y);
    }
    bool contains(int x, int y, float pad) const
    {
        return x >= minX - pad && x <= maxX + pad && y >= minY - pad && y <= maxY + pad;
    }
    bool onScreen() const { return minX >= 0 && minY >= 0 && maxX < kGlWindowWidth && maxY < kGlWindowHeight; }
};

// Pixels are RGBA8, bottom row first.
inline const uint8_t* pixelAt(const std::vector<uint8_t>& pixels, int x, int y)
{
    return &pixels[(static_cast<size_t>(y) * kGlWindowWidth + x) * 4];
}

inline bool isLit(const std::vector<uint8_t>& pixels, int x, int y, int threshold = 24)
{
    const uint8_t* p = pixelAt(pixels, x, y);
    return std::max({p[0], p[1], p[2]}) > threshold;
}

inline bool litNear(const std::vector<uint8_t>& pixels, float fx, float fy, int radius)
{
    int cx = static_cast<int>(fx);
    int cy = static_cast<int>(fy);
    for (int y = std::max(0, cy - radius); y <= std::min(kGlWindowHeight - 1, cy + radius); ++y) {
        for (int x = std::max(0, cx - radius); x <= std::min(kGlWindowWidth - 1, cx + radius); ++x) {
            if (isLit(pixels, x, y)) {
                return true;
            }
        }
    }
    return false;
}

inline int countLit(const std::vector<uint8_t>& pixels)
{
    int count = 0;
    for (int y = 0; y < kGlWindowHeight; ++y) {
        for (int x = 0; x < kGlWindowWidth; ++x) {
            count += isLit(pixels, x, y) ? 1 : 0;
        }
    }
    return count;
}

}
