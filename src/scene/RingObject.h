#pragma once

#include "render/Shader.h"
#include "scene/SceneObject.h"

#include <GL/glew.h>

#include <vector>

// A flat circle of line segments in the plane y = 0, spun about the vertical
// axis and drawn only in part. The scene writes progress and rotation into it
// before each draw; a ring reads no tracks itself.
class RingObject : public SceneObject {
public:
    RingObject(float radius, float stepDegrees) : radius(radius), stepDegrees(stepDegrees) {}

    bool init(Scene* scene) override;
    void render(float time) override;
    void release() override;
    int getType() override { return Ring; }

    // The geometry, built on the CPU once; also used without a GL context.
    static unsigned countSegments(float stepDegrees);
    static std::vector<float> buildVertices(unsigned segmentCount, float radius, float stepDegrees);
    static std::vector<GLuint> buildIndices(unsigned segmentCount);
    // How many indices a given progress draws, never more than the whole circle.
    static GLsizei countDrawnIndices(unsigned segmentCount, float progress);

    GLuint vao = 0;
    GLuint vbo = 0;
    GLuint ibo = 0;
    Shader shader;
    unsigned segmentCount = 0;
    float radius = 0.0f;
    float stepDegrees = 0.0f;
    float progress = 1.0f;
    float rotation = 0.0f;
    Scene* scene = nullptr;
};
