// The scene's start-up and its camera, driven by tracks read from real files.
#include "SceneTestFixture.h"

#include <glm/gtc/matrix_transform.hpp>

#include <cmath>

namespace testing_support {
namespace {

constexpr const char* kCameraTracks[] = {
    "Camera.X", "Camera.Y", "Camera.Z", "Focus.X", "Focus.Y", "Focus.Z",
    "Camera.Distance", "Camera.Pitch", "Camera.Yaw", "Camera.Roll",
};

glm::vec3 toView(const glm::mat4& view, glm::vec3 world)
{
    return glm::vec3(view * glm::vec4(world, 1.0f));
}

void expectNear(glm::vec3 got, glm::vec3 expected, float tolerance = 1e-5f)
{
    EXPECT_NEAR(got.x, expected.x, tolerance);
    EXPECT_NEAR(got.y, expected.y, tolerance);
    EXPECT_NEAR(got.z, expected.z, tolerance);
}

void expectMatrixNear(const glm::mat4& got, const glm::mat4& expected, float tolerance = 1e-5f)
{
    for (int column = 0; column < 4; ++column) {
        for (int row = 0; row < 4; ++row) {
            EXPECT_NEAR(got[column][row], expected[column][row], tolerance) << "[" << column << "][" << row << "]";
        }
    }
}

class SceneCamera : public SceneTest {};

TEST_F(SceneCamera, StartsWithASixtyDegreeProjectionAndTheIdentityView)
{
    LogCapture log;
    ASSERT_TRUE(startScene());
    const glm::mat4& p = scene().projectionMatrix;
    float f = 1.0f / std::tan(30.0f * 0.017453292f);
    float aspect = 640.0f / 360.0f;
    glm::mat4 expected(0.0f);
    expected[0][0] = f / aspect;
    expected[1][1] = f;
    expected[2][2] = -1001.0f / 999.0f;
    expected[2][3] = -1.0f;
    expected[3][2] = -2000.0f / 999.0f;
    expectMatrixNear(p, expected);
    expectMatrixNear(scene().viewMatrix, glm::mat4(1.0f), 0.0f);
    EXPECT_TRUE(log.lines().empty()) << log.lines().front();
}

TEST_F(SceneCamera, StartUpLeavesDepthTestAndBackFaceCullingOnAndBlendingOff)
{
    ASSERT_TRUE(startScene());
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_CUBE_MAP_SEAMLESS));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    GLint frontFace = 0;
    glGetIntegerv(GL_FRONT_FACE, &frontFace);
    EXPECT_EQ(frontFace, GL_CCW);
    EXPECT_TRUE(scene().frameBuffer.multisampled);
    EXPECT_EQ(scene().frameBuffer.width, kGlWindowWidth);
    EXPECT_EQ(scene().frameBuffer.height, kGlWindowHeight);
}

struct OrbitCase {
    float mode;
    float distance;
    float pitch;
    float yaw;
    float roll;
    glm::vec3 world;
    glm::vec3 view;
};

TEST_F(SceneCamera, OrbitModePlacesTheWorldInFrontOfTheEye)
{
    const OrbitCase cases[] = {
        // Distance 0 and no turn: the identity.
        {1.0f, 0.0f, 0.0f, 0.0f, 0.0f, {3.0f, -2.0f, 5.0f}, {3.0f, -2.0f, 5.0f}},
        // The eye at (-10, 0, 0) looking along +X at the origin.
        {1.0f, 10.0f, 0.0f, 90.0f, 0.0f, {0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, -10.0f}},
        {1.0f, 10.0f, 0.0f, 90.0f, 0.0f, {1.0f, 0.0f, 0.0f}, {0.0f, 0.0f, -11.0f}},
        // The mode is floored: 1.9 orbits too.
        {1.9f, 10.0f, 0.0f, 90.0f, 0.0f, {1.0f, 0.0f, 0.0f}, {0.0f, 0.0f, -11.0f}},
        // Looking straight down from above: +Z in the world is down on the screen.
        {1.0f, 40.0f, 90.0f, 0.0f, 0.0f, {0.0f, 0.0f, 1.0f}, {0.0f, -1.0f, -40.0f}},
        // Roll acts first: +X turns to +Y, which the pitch then tips away.
        {1.0f, 0.0f, 90.0f, 0.0f, 90.0f, {1.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f}},
    };
    int index = 0;
    for (const OrbitCase& c : cases) {
        SCOPED_TRACE(index++);
        TearDown();
        SetUp();
        setTrack("Camera.Mode", c.mode);
        setTrack("Camera.Distance", c.distance);
        setTrack("Camera.Pitch", c.pitch);
        setTrack("Camera.Yaw", c.yaw);
        setTrack("Camera.Roll", c.roll);
        ASSERT_TRUE(startScene());
        scene().render(0.0f);
        expectNear(toView(scene().viewMatrix, c.world), c.view);
        if (c.distance == 0.0f && c.pitch == 0.0f && c.roll == 0.0f) {
            expectMatrixNear(scene().viewMatrix, glm::mat4(1.0f), 0.0f);
        }
    }
}

TEST_F(SceneCamera, LookAtModeAimsTheEyeAtTheFocus)
{
    setTrack("Camera.Z", 10.0f);
    ASSERT_TRUE(startScene());
    scene().render(0.0f);
    expectMatrixNear(scene().viewMatrix, glm::translate(glm::mat4(1.0f), glm::vec3(0.0f, 0.0f, -10.0f)));
    expectNear(toView(scene().viewMatrix, {0.0f, 0.0f, 0.0f}), {0.0f, 0.0f, -10.0f});
    expectNear(toView(scene().viewMatrix, {1.0f, 2.0f, 0.0f}), {1.0f, 2.0f, -10.0f});
}

TEST_F(SceneCamera, LookAtFromAnOffsetEyeKeepsUpUpAndTheFocusAhead)
{
    setTrack("Camera.X", 5.0f);
    setTrack("Camera.Y", 3.0f);
    setTrack("Camera.Z", -4.0f);
    setTrack("Focus.X", 1.0f);
    setTrack("Focus.Y", 3.0f);
    setTrack("Focus.Z", -1.0f);
    ASSERT_TRUE(startScene());
    scene().render(0.0f);
    expectNear(toView(scene().viewMatrix, {1.0f, 3.0f, -1.0f}), {0.0f, 0.0f, -5.0f});
    expectNear(toView(scene().viewMatrix, {5.0f, 4.0f, -4.0f}), {0.0f, 1.0f, 0.0f});
}

// Modes other than 0 and 1 freeze the camera and leave its tracks unread.
TEST_F(SceneCamera, OtherModesKeepThePreviousViewAndReadNoCameraTrack)
{
    for (float mode : {2.0f, -0.5f, 3.0f}) {
        SCOPED_TRACE(mode);
        TearDown();
        SetUp();
        setTrack("Camera.Mode", mode);
        setTrack("Camera.Distance", 10.0f);
        setTrack("Camera.Z", 10.0f);
        ASSERT_TRUE(startScene());
        glm::mat4 before = glm::translate(glm::mat4(1.0f), glm::vec3(1.0f, 2.0f, 3.0f));
        scene().viewMatrix = before;
        scene().render(0.0f);
        expectMatrixNear(scene().viewMatrix, before, 0.0f);
        EXPECT_TRUE(trackRecordExists("Camera.Mode"));
        for (const char* name : kCameraTracks) {
            EXPECT_FALSE(trackRecordExists(name)) << name;
        }
    }
}

TEST_F(SceneCamera, ALookAtWithoutDirectionKeepsThePreviousView)
{
    // With every camera track missing, eye and focus meet at the origin.
    ASSERT_TRUE(startScene());
    scene().render(0.0f);
    expectMatrixNear(scene().viewMatrix, glm::mat4(1.0f), 0.0f);

    glm::mat4 before = glm::translate(glm::mat4(1.0f), glm::vec3(0.0f, 0.0f, -7.0f));
    scene().viewMatrix = before;
    scene().render(0.0f);
    expectMatrixNear(scene().viewMatrix, before, 0.0f);
}

TEST_F(SceneCamera, LookingStraightDownTheUpAxisKeepsThePreviousView)
{
    setTrack("Camera.Y", 20.0f);
    ASSERT_TRUE(startScene());
    glm::mat4 before = glm::translate(glm::mat4(1.0f), glm::vec3(0.0f, 0.0f, -7.0f));
    scene().viewMatrix = before;
    scene().render(0.0f);
    expectMatrixNear(scene().viewMatrix, before, 0.0f);
}

TEST_F(SceneCamera, ASingleSampledSceneWorksTheSame)
{
    engine->window.msaaSamples = 0;
    setTrack("Camera.Mode", 1.0f);
    setTrack("Camera.Distance", 10.0f);
    LogCapture log;
    ASSERT_TRUE(startScene());
    EXPECT_FALSE(scene().frameBuffer.multisampled);
    scene().render(0.0f);
    expectNear(toView(scene().viewMatrix, {0.0f, 0.0f, 0.0f}), {0.0f, 0.0f, -10.0f});
    EXPECT_TRUE(log.lines().empty()) << log.lines().front();
}

struct InitFailureCase {
    const char* removedShader;
    int samples;
    const char* message;
};

TEST_F(SceneCamera, AFailingStepStopsStartUpWithItsMessage)
{
    const InitFailureCase cases[] = {
        {nullptr, 64, "Failed to initialize Scene Frame Buffer!"},
        {"Blur.frag", 4, "Failed to initialize Post Processor!"},
        {"Wireframe.vert", 4, "Failed to initialize Flake Object Data!"},
    };
    for (const InitFailureCase& c : cases) {
        SCOPED_TRACE(c.message);
        SceneWorkDir broken;
        if (c.removedShader != nullptr) {
            ASSERT_EQ(std::remove((broken.path + "/res/shaders/" + c.removedShader).c_str()), 0);
        }
        TearDown();
        SetUp();
        engine->window.msaaSamples = c.samples;
        LogCapture log;
        EXPECT_FALSE(scene().init());
        ASSERT_FALSE(log.lines().empty());
        EXPECT_EQ(log.lines().back(), c.message);
        if (c.removedShader != nullptr && std::string(c.removedShader) == "Wireframe.vert") {
            EXPECT_TRUE(log.contains("Failed to initialize wireframe shader!"));
            EXPECT_FALSE(log.contains("Needle"));
        }
        while (glGetError() != GL_NO_ERROR) {
        }
    }
}

}
}
