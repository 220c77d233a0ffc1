#pragma once

#include "render/Shader.h"
#include "scene/SceneObject.h"

#include <GL/glew.h>
#include <glm/vec3.hpp>

// A short line segment of the swarm: it drifts away from the needles' emitter
// along its own direction while it spins about its own axis.
// All needles share one set of GL objects, made and released by the scene.
class NeedleObject : public SceneObject {
public:
    static bool initSharedData();
    static void releaseSharedData();

    bool init(Scene* scene) override;
    void render(float time) override;
    void release() override {}
    int getType() override { return Needle; }

    Scene* scene = nullptr;
    glm::vec3 driftDirection = glm::vec3(0.0f);
    float driftSpeed = 0.0f;
    glm::vec3 spinAxis = glm::vec3(0.0f);
    float spinSpeed = 0.0f;
    float size = 0.0f;

    static GLuint sharedVao;
    static GLuint sharedVbo;
    static GLuint sharedIbo;
    static Shader sharedShader;
};
