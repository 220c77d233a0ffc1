#pragma once

#include <glm/vec3.hpp>

class Scene;

enum SceneObjectType : int {
    WireframeCube = 1,
    Grid = 2,
    Flake = 3,
    Ring = 4,
    Needle = 5,
};

// Base of every drawable object. Objects are added to the scene, initialised
// at once, drawn every frame in list order and deleted at scene shutdown.
class SceneObject {
public:
    virtual ~SceneObject() {}
    virtual bool init(Scene* scene) = 0;
    virtual void render(float time) = 0;
    virtual void release() = 0;
    virtual int getType() = 0;

    glm::vec3 position = glm::vec3(0.0f);
};
