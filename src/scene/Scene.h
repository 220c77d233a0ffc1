#pragma once

#include "postfx/PostProcessor.h"
#include "render/FrameBuffer.h"
#include "scene/RandomSequence.h"
#include "scene/SceneObject.h"

#include <glm/mat4x4.hpp>

#include <vector>

// Conducts the frame: camera from the tracks, every object into the scene
// frame buffer in list order, then the post processor into the window.
class Scene {
public:
    bool init();
    void render(float time);
    void addObject(SceneObject* object);
    void shutdown();

    std::vector<SceneObject*> objects;
    glm::mat4 projectionMatrix = glm::mat4(1.0f);
    glm::mat4 viewMatrix = glm::mat4(1.0f);
    FrameBuffer frameBuffer;
    PostProcessor postProcessor;
    // Seeded once at start-up; the swarm's objects draw their values from it in list order.
    RandomSequence random;

private:
    void setGlState();
    void updateCamera();
    void lookAtFocus();
    void orbitOrigin();
    void drawObjects(float time);
};
