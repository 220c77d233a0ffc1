#pragma once

#include "render/Shader.h"
#include "scene/SceneObject.h"

#include <GL/glew.h>

// A procession of eight yellow wireframe cubes circling about the line
// x = 0, y = 10, spaced in depth and growing from the first to the last.
class WireframeCubeObject : public SceneObject {
public:
    bool init(Scene* scene) override;
    void render(float time) override;
    void release() override;
    int getType() override { return WireframeCube; }

    GLuint vao = 0;
    GLuint vbo = 0;
    GLuint ibo = 0;
    Shader shader;
    Scene* scene = nullptr;
};
