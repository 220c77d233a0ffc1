// Whole frames of the scene read back from the window: each kind appears
// where its geometry projects, and only there.
#include "SceneTestFixture.h"

#include <cmath>

namespace testing_support {
namespace {

constexpr float kRadians = 0.017453292f;

class ScenePixels : public SceneTest {
protected:
    // Cube i at music time 0, where the procession places it.
    static std::vector<glm::vec3> cubeCorners(int i, float z, float scale)
    {
        float phase = static_cast<float>(i) * 1.57f;
        glm::vec3 centre(std::cos(phase) * 25.0f, std::sin(phase) * 25.0f + 10.0f, z + 35.0f * i);
        float half = scale * i / 7.0f * 0.5f;
        std::vector<glm::vec3> corners;
        for (float dx : {-half, half}) {
            for (float dy : {-half, half}) {
                for (float dz : {-half, half}) {
                    corners.push_back(centre + glm::vec3(dx, dy, dz));
                }
            }
        }
        return corners;
    }
};

TEST_F(ScenePixels, ARingAppearsWhereItsVerticesProject)
{
    // Looking straight down on the origin from 40 units up.
    setTrack("Camera.Mode", 1.0f);
    setTrack("Camera.Distance", 40.0f);
    setTrack("Camera.Pitch", 90.0f);
    setTrack("Ring1.Progress", 0.5f);
    setTrack("Ring1.Rotation", 30.0f);
    LogCapture log;
    std::vector<uint8_t> pixels = frameWithDemoObjects(0.0f);

    // Ring 1 draws the half circle from 30 to 210 degrees in the XZ plane;
    // ring 2 has no progress track and draws nothing.
    int drawnChecked = 0;
    for (int degrees = 0; degrees < 360; degrees += 5) {
        float angle = static_cast<float>(degrees) * kRadians;
        glm::vec3 p = projectToWindow(glm::vec3(10.0f * std::cos(angle), 0.0f, 10.0f * std::sin(angle)));
        if (degrees >= 33 && degrees <= 207) {
            EXPECT_TRUE(litNear(pixels, p.x, p.y, 2)) << degrees << " degrees";
            ++drawnChecked;
        } else if (degrees <= 20 || degrees >= 220) {
            EXPECT_FALSE(litNear(pixels, p.x, p.y, 2)) << degrees << " degrees";
        }
    }
    EXPECT_GT(drawnChecked, 30);
    // The ring's colour, and black inside it.
    glm::vec3 top = projectToWindow(glm::vec3(0.0f, 0.0f, 10.0f));
    glm::vec3 centre = projectToWindow(glm::vec3(0.0f));
    EXPECT_FALSE(litNear(pixels, centre.x, centre.y, 20));
    for (int y = static_cast<int>(top.y) - 2; y <= static_cast<int>(top.y) + 2; ++y) {
        const uint8_t* p = pixelAt(pixels, static_cast<int>(top.x), y);
        if (isLit(pixels, static_cast<int>(top.x), y)) {
            EXPECT_GT(p[2], p[0] * 3);
            EXPECT_GT(p[1], p[0] * 3);
        }
    }
    EXPECT_TRUE(log.lines().empty()) << log.lines().front();
}

TEST_F(ScenePixels, TheSecondRingFollowsTheSecondRingTracks)
{
    setTrack("Camera.Mode", 1.0f);
    setTrack("Camera.Distance", 70.0f);
    setTrack("Camera.Pitch", 90.0f);
    setTrack("Ring2.Progress", 0.25f);
    setTrack("Ring2.Rotation", 90.0f);
    std::vector<uint8_t> pixels = frameWithDemoObjects(0.0f);
    for (int degrees = 0; degrees < 360; degrees += 10) {
        float angle = static_cast<float>(degrees) * kRadians;
        glm::vec3 p = projectToWindow(glm::vec3(25.0f * std::cos(angle), 0.0f, 25.0f * std::sin(angle)));
        bool drawn = degrees >= 95 && degrees <= 175;
        bool hidden = degrees < 85 || degrees > 185;
        if (drawn || hidden) {
            EXPECT_EQ(litNear(pixels, p.x, p.y, 2), drawn) << degrees << " degrees";
        }
    }
    // Ring 1 has no progress track and stays hidden.
    glm::vec3 inner = projectToWindow(glm::vec3(0.0f, 0.0f, 10.0f));
    EXPECT_FALSE(litNear(pixels, inner.x, inner.y, 3));
}

TEST_F(ScenePixels, TheCubesAppearWhereTheyProjectAtTimeZero)
{
    setTrack("Cube.Visible", 1.0f);
    setTrack("Cube.Z", 0.0f);
    setTrack("Cube.Scale", 7.0f);
    lookFrom({-25.0f, 10.0f, 40.0f}, {-25.0f, 10.0f, 70.0f});
    LogCapture log;
    std::vector<uint8_t> pixels = frameWithDemoObjects(0.0f);

    std::vector<ScreenBox> boxes;
    int cubesSeen = 0;
    for (int i = 0; i < 8; ++i) {
        std::vector<glm::vec3> corners = cubeCorners(i, 0.0f, 7.0f);
        int inFront = 0;
        ScreenBox box;
        for (glm::vec3 corner : corners) {
            glm::vec3 p = projectToWindow(corner);
            inFront += (scene().viewMatrix * glm::vec4(corner, 1.0f)).z < -1.0f ? 1 : 0;
            box.add(p);
        }
        ASSERT_TRUE(inFront == 0 || inFront == 8) << "cube " << i << " straddles the eye";
        if (inFront == 0) {
            continue;
        }
        boxes.push_back(box);
        if (i > 0 && box.onScreen()) {
            ++cubesSeen;
            bool lit = false;
            for (int y = static_cast<int>(box.minY); y <= static_cast<int>(box.maxY) && !lit; ++y) {
                for (int x = static_cast<int>(box.minX); x <= static_cast<int>(box.maxX) && !lit; ++x) {
                    lit = isLit(pixels, x, y);
                }
            }
            EXPECT_TRUE(lit) << "cube " << i;
        }
    }
    EXPECT_GE(cubesSeen, 3);
    int litPixels = 0;
    for (int y = 0; y < kGlWindowHeight; ++y) {
        for (int x = 0; x < kGlWindowWidth; ++x) {
            if (!isLit(pixels, x, y)) {
                continue;
            }
            ++litPixels;
            bool inside = std::any_of(boxes.begin(), boxes.end(), [&](const ScreenBox& b) { return b.contains(x, y, 2.0f); });
            ASSERT_TRUE(inside) << "stray pixel at " << x << ", " << y;
            const uint8_t* p = pixelAt(pixels, x, y);
            ASSERT_GT(p[0], p[2] * 2) << "not yellow at " << x << ", " << y;
        }
    }
    EXPECT_GT(litPixels, 100);
    EXPECT_TRUE(log.lines().empty()) << log.lines().front();
}

TEST_F(ScenePixels, TheEdgesJoiningACubesTwoFacesAreDrawn)
{
    // Cube 2 seen from its side: its faces stand edge-on as the square's left and
    // right sides, and the edges joining them are its top and bottom.
    setTrack("Cube.Visible", 1.0f);
    setTrack("Cube.Z", 0.0f);
    setTrack("Cube.Scale", 7.0f);
    const std::vector<glm::vec3> corners = cubeCorners(2, 0.0f, 7.0f);
    const glm::vec3 centre = (corners.front() + corners.back()) * 0.5f;
    const float half = corners.back().x - centre.x;
    lookFrom(centre + glm::vec3(6.0f * half, 0.0f, 0.0f), centre);
    std::vector<uint8_t> pixels = frameWithDemoObjects(0.0f);
    for (float y : {-half, half}) {
        const glm::vec3 p = projectToWindow(centre + glm::vec3(half, y, 0.0f));
        bool lit = false;
        for (int dy = -1; dy <= 1; ++dy) {
            lit = lit || isLit(pixels, static_cast<int>(p.x), static_cast<int>(p.y) + dy);
        }
        EXPECT_TRUE(lit) << "no joining edge at height " << y;
    }
}

TEST_F(ScenePixels, AnInvisibleCubeLeavesTheFrameBlack)
{
    for (float visible : {0.0f, -1.0f}) {
        TearDown();
        SetUp();
        setTrack("Cube.Visible", visible);
        setTrack("Cube.Scale", 7.0f);
        lookFrom({-25.0f, 10.0f, 40.0f}, {-25.0f, 10.0f, 70.0f});
        EXPECT_EQ(countLit(frameWithDemoObjects(0.0f)), 0) << visible;
    }
}

TEST_F(ScenePixels, WithoutDriftTimeEveryFlakeSitsOnTheEmitter)
{
    const glm::vec3 emitter(5.0f, 2.0f, -3.0f);
    struct Case {
        float driftTime;
        float musicTime;
        bool gathered;
    };
    for (Case c : {Case{0.0f, 0.0f, true}, Case{0.0f, 2.0f, true}, Case{1.0f, 0.0f, false}}) {
        SCOPED_TRACE(c.driftTime);
        TearDown();
        SetUp();
        setTrack("Flakes.Visible", 1.0f);
        setTrack("Flakes.X", emitter.x);
        setTrack("Flakes.Y", emitter.y);
        setTrack("Flakes.Z", emitter.z);
        setTrack("Flakes.Time", c.driftTime);
        setTrack("Flakes.Fade", 1.0f);
        lookFrom(emitter + glm::vec3(0.0f, 0.0f, 10.0f), emitter);
        std::vector<uint8_t> pixels = frameWithDemoObjects(c.musicTime);

        // The largest flake is 0.75 across, turned or not within this box.
        ScreenBox box;
        box.add(projectToWindow(emitter + glm::vec3(-0.54f, -0.54f, 0.0f)));
        box.add(projectToWindow(emitter + glm::vec3(0.54f, 0.54f, 0.0f)));
        int inside = 0;
        int outside = 0;
        for (int y = 0; y < kGlWindowHeight; ++y) {
            for (int x = 0; x < kGlWindowWidth; ++x) {
                if (isLit(pixels, x, y)) {
                    (box.contains(x, y, 2.0f) ? inside : outside) += 1;
                }
            }
        }
        EXPECT_GT(inside, 20);
        if (c.gathered) {
            EXPECT_EQ(outside, 0);
        } else {
            EXPECT_GT(outside, 200);
        }
        for (SceneObject* object : scene().objects) {
            if (object->getType() == Flake) {
                ASSERT_EQ(object->position, emitter);
            }
        }
    }
}

// The fade track darkens the swarm, since blending is never on.
TEST_F(ScenePixels, TheFadeTrackScalesTheSwarmsColour)
{
    int brightest[3] = {};
    const float fades[3] = {1.0f, 0.5f, 0.0f};
    for (int i = 0; i < 3; ++i) {
        TearDown();
        SetUp();
        setTrack("Needles.Visible", 1.0f);
        setTrack("Needles.Time", 0.3f);
        setTrack("Needles.Fade", fades[i]);
        lookFrom({0.0f, 0.0f, 8.0f}, {0.0f, 0.0f, 0.0f});
        std::vector<uint8_t> pixels = frameWithDemoObjects(1.0f);
        for (size_t p = 0; p < pixels.size(); p += 4) {
            brightest[i] = std::max<int>(brightest[i], pixels[p]);
        }
    }
    EXPECT_GT(brightest[0], 180);
    EXPECT_NEAR(brightest[1], brightest[0] / 2, 12);
    EXPECT_EQ(brightest[2], 0);
}

// A swarm faded out draws nothing at all: no black lines, and no depth that
// would cut them into the floor behind it.
TEST_F(ScenePixels, AFullyFadedSwarmLeavesTheGridBehindItIntact)
{
    auto floorFrame = [this](float swarmVisible) {
        TearDown();
        SetUp();
        setTrack("Grid.Visible", 1.0f);
        for (const char* swarm : {"Flakes", "Needles"}) {
            const std::string name(swarm);
            setTrack(name + ".Visible", swarmVisible);
            setTrack(name + ".Fade", 0.0f);
            setTrack(name + ".Y", 6.0f);
            setTrack(name + ".Z", 6.0f);
            setTrack(name + ".Time", 1.0f);
        }
        lookFrom({0.0f, 12.0f, 12.0f}, {0.0f, 0.0f, 0.0f});
        return frameWithDemoObjects(2.0f);
    };
    const std::vector<uint8_t> floorAlone = floorFrame(0.0f);
    ASSERT_GT(countLit(floorAlone), kGlWindowWidth * kGlWindowHeight / 40);
    EXPECT_TRUE(floorFrame(1.0f) == floorAlone);
}

TEST_F(ScenePixels, TheSameTracksGiveTheSameFrameOnEveryRun)
{
    auto everythingVisible = [this] {
        for (const char* name : {"Grid.Visible", "Cube.Visible", "Flakes.Visible", "Needles.Visible", "Flakes.Fade",
                                 "Needles.Fade", "Ring1.Progress", "Ring2.Progress", "FX.EnableBloom"}) {
            setTrack(name, 1.0f);
        }
        setTrack("Flakes.Time", 2.0f);
        setTrack("Needles.Time", 3.0f);
        setTrack("Grid.NoiseMagnitude", 6.0f);
        setTrack("Grid.Noise2", 1.0f);
        setTrack("Cube.Scale", 7.0f);
        setTrack("Camera.Mode", 1.0f);
        setTrack("Camera.Distance", 60.0f);
        setTrack("Camera.Pitch", 25.0f);
        setTrack("FX.BloomDry", 1.0f);
        setTrack("FX.BloomWet", 0.5f);
        setTrack("FX.Exposure", 1.0f);
        setTrack("FX.Fade", 1.0f);
    };
    everythingVisible();
    LogCapture log;
    std::vector<uint8_t> first = frameWithDemoObjects(1.25f);
    TearDown();
    SetUp();
    everythingVisible();
    std::vector<uint8_t> second = frameWithDemoObjects(1.25f);
    EXPECT_GT(countLit(first), 2000);
    EXPECT_TRUE(first == second);
    // Every uniform of every program is in use, and no GL call failed.
    EXPECT_TRUE(log.lines().empty()) << log.lines().front();
}

}
}
