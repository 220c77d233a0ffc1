#pragma once

#include "render/Shader.h"
#include "render/Texture.h"
#include "scene/SceneObject.h"

#include <GL/glew.h>

#include <vector>

// A square wireframe floor in the plane y = 0, centred on the origin, whose
// lattice points the grid's vertex shader displaces with a scrolling noise.
class GridObject : public SceneObject {
public:
    GridObject(unsigned cellCount, float spacing) : cellCount(cellCount), spacing(spacing) {}

    bool init(Scene* scene) override;
    void render(float time) override;
    void release() override;
    int getType() override { return Grid; }

    // The lattice, built on the CPU once; also used without a GL context.
    static std::vector<float> buildVertices(unsigned cellCount, float spacing);
    static std::vector<GLuint> buildIndices(unsigned cellCount);

    GLuint vao = 0;
    GLuint vbo = 0;
    GLuint ibo = 0;
    Shader shader;
    unsigned cellCount = 0;
    float spacing = 0.0f;
    Scene* scene = nullptr;
    GLuint noiseSampler = 0;
    Texture noiseTexture;

private:
    void createNoiseSampler();
    void setNoiseUniforms();
};
