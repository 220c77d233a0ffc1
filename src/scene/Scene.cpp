#include "scene/Scene.h"

#include "engine/Engine.h"
#include "engine/GlCheck.h"
#include "scene/FlakeObject.h"
#include "scene/NeedleObject.h"
#include "scene/RingObject.h"
#include "scene/WireframeDraw.h"

#include <GL/glew.h>
#include <SDL.h>
#include <glm/gtc/matrix_transform.hpp>

#include <cmath>

namespace {

// The swarm the choreography was authored with.
constexpr uint32_t kRandomSeed = 0;

constexpr const char* kCameraMode = "Camera.Mode";
constexpr const char* kCameraX = "Camera.X";
constexpr const char* kCameraY = "Camera.Y";
constexpr const char* kCameraZ = "Camera.Z";
constexpr const char* kFocusX = "Focus.X";
constexpr const char* kFocusY = "Focus.Y";
constexpr const char* kFocusZ = "Focus.Z";
constexpr const char* kCameraDistance = "Camera.Distance";
constexpr const char* kCameraPitch = "Camera.Pitch";
constexpr const char* kCameraYaw = "Camera.Yaw";
constexpr const char* kCameraRoll = "Camera.Roll";
constexpr const char* kRing1Progress = "Ring1.Progress";
constexpr const char* kRing1Rotation = "Ring1.Rotation";
constexpr const char* kRing2Progress = "Ring2.Progress";
constexpr const char* kRing2Rotation = "Ring2.Rotation";

constexpr int kLookAtMode = 0;
constexpr int kOrbitMode = 1;

constexpr float kFieldOfViewDegrees = 60.0f;
constexpr float kNearPlane = 1.0f;
constexpr float kFarPlane = 1000.0f;
constexpr GLenum kSceneColorFormat = GL_RGBA16F;
constexpr glm::vec3 kUp(0.0f, 1.0f, 0.0f);

void logError(const char* message)
{
    SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "%s", message);
}

bool isFinite(const glm::mat4& matrix)
{
    for (int column = 0; column < 4; ++column) {
        for (int row = 0; row < 4; ++row) {
            if (!std::isfinite(matrix[column][row])) {
                return false;
            }
        }
    }
    return true;
}

}

bool Scene::init()
{
    setGlState();
    random.seed(kRandomSeed);

    const Window& window = Engine::instance->window;
    if (!frameBuffer.create(window.width, window.height, 1, true, kSceneColorFormat, window.msaaSamples)) {
        checkGlError();
        logError("Failed to initialize Scene Frame Buffer!");
        return false;
    }
    checkGlError();

    float aspect = static_cast<float>(window.width) / static_cast<float>(window.height);
    projectionMatrix = glm::perspective(kFieldOfViewDegrees * kDegreesToRadians, aspect, kNearPlane, kFarPlane);
    // A look-at from the origin to the origin has no direction; the view stays
    // the identity until the camera tracks say otherwise.
    viewMatrix = glm::mat4(1.0f);

    if (!postProcessor.init()) {
        logError("Failed to initialize Post Processor!");
        return false;
    }
    if (!FlakeObject::initSharedData()) {
        logError("Failed to initialize Flake Object Data!");
        return false;
    }
    if (!NeedleObject::initSharedData()) {
        logError("Failed to initialize Needle Object Data!");
        return false;
    }
    return true;
}

// Set once for the whole run; no other part changes it.
void Scene::setGlState()
{
    glEnable(GL_DEPTH_TEST);
    checkGlError();
    glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
    checkGlError();
    glHint(GL_POLYGON_SMOOTH_HINT, GL_NICEST);
    checkGlError();
    glHint(GL_TEXTURE_COMPRESSION_HINT, GL_NICEST);
    checkGlError();
    glHint(GL_FRAGMENT_SHADER_DERIVATIVE_HINT, GL_NICEST);
    checkGlError();
    glEnable(GL_TEXTURE_CUBE_MAP_SEAMLESS);
    checkGlError();
    glEnable(GL_CULL_FACE);
    checkGlError();
    glFrontFace(GL_CCW);
    checkGlError();
}

void Scene::render(float time)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    checkGlError();
    updateCamera();
    frameBuffer.bind(true);
    drawObjects(time);
    frameBuffer.unbind();
    postProcessor.apply(frameBuffer);
}

void Scene::updateCamera()
{
    int mode = Engine::instance->syncDevice.getInt(kCameraMode);
    if (mode == kLookAtMode) {
        lookAtFocus();
    } else if (mode == kOrbitMode) {
        orbitOrigin();
    }
    // Any other mode freezes the camera where the previous frame left it.
}

void Scene::lookAtFocus()
{
    SyncDevice& sync = Engine::instance->syncDevice;
    glm::vec3 target;
    target.z = sync.getFloat(kFocusZ);
    target.y = sync.getFloat(kFocusY);
    target.x = sync.getFloat(kFocusX);
    glm::vec3 eye;
    eye.z = sync.getFloat(kCameraZ);
    eye.y = sync.getFloat(kCameraY);
    eye.x = sync.getFloat(kCameraX);
    // An eye on its target (or looking straight along the up axis) has no
    // defined view; keep the last good one rather than fill the screen with NaNs.
    if (eye == target) {
        return;
    }
    glm::mat4 view = glm::lookAt(eye, target, kUp);
    if (isFinite(view)) {
        viewMatrix = view;
    }
}

void Scene::orbitOrigin()
{
    SyncDevice& sync = Engine::instance->syncDevice;
    glm::mat4 view(1.0f);
    view = glm::translate(view, glm::vec3(0.0f, 0.0f, -sync.getFloat(kCameraDistance)));
    view = glm::rotate(view, sync.getFloat(kCameraPitch) * kDegreesToRadians, glm::vec3(1.0f, 0.0f, 0.0f));
    view = glm::rotate(view, sync.getFloat(kCameraYaw) * kDegreesToRadians, glm::vec3(0.0f, 1.0f, 0.0f));
    view = glm::rotate(view, sync.getFloat(kCameraRoll) * kDegreesToRadians, glm::vec3(0.0f, 0.0f, 1.0f));
    viewMatrix = view;
}

// The first ring follows the Ring1 tracks and every later one the Ring2 tracks.
void Scene::drawObjects(float time)
{
    SyncDevice& sync = Engine::instance->syncDevice;
    int ringCount = 0;
    for (size_t i = 0; i < objects.size(); ++i) {
        SceneObject* object = objects[i];
        if (object->getType() == Ring) {
            RingObject* ring = static_cast<RingObject*>(object);
            ring->progress = sync.getFloat(ringCount == 0 ? kRing1Progress : kRing2Progress);
            ring->rotation = sync.getFloat(ringCount == 0 ? kRing1Rotation : kRing2Rotation);
            ringCount += 1;
        }
        object->render(time);
    }
}

void Scene::addObject(SceneObject* object)
{
    // An object whose init failed has logged why; it stays and draws as it can.
    object->init(this);
    objects.push_back(object);
}

void Scene::shutdown()
{
    for (SceneObject* object : objects) {
        delete object;
    }
    objects.clear();
    frameBuffer.release();
    postProcessor.release();
    NeedleObject::releaseSharedData();
    FlakeObject::releaseSharedData();
}
