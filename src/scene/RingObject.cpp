#include "scene/RingObject.h"

#include "scene/WireframeDraw.h"

#include <SDL.h>
#include <glm/gtc/matrix_transform.hpp>

#include <cmath>

namespace {

constexpr float kFullCircleDegrees = 360.0f;
// A thousandth of a degree per segment is far finer than any ring needs.
constexpr float kMaxSegments = 360000.0f;
// Turns the circle, built in its local XY plane, into the horizontal plane.
constexpr float kTiltDegrees = 90.0f;
constexpr glm::vec3 kTiltAxis(1.0f, 0.0f, 0.0f);
constexpr glm::vec3 kSpinAxis(0.0f, 0.0f, 1.0f);
constexpr glm::vec4 kRingColor(0.09f, 0.79f, 0.9f, 1.0f);

}

unsigned RingObject::countSegments(float stepDegrees)
{
    float count = kFullCircleDegrees / stepDegrees;
    // A step outside (0, 360] gives no circle; a vanishing one, no sane count.
    if (!(count >= 1.0f) || count > kMaxSegments) {
        return 0;
    }
    return static_cast<unsigned>(count);
}

std::vector<float> RingObject::buildVertices(unsigned segmentCount, float radius, float stepDegrees)
{
    std::vector<float> vertices;
    vertices.reserve(static_cast<size_t>(segmentCount) * 3);
    for (unsigned i = 0; i < segmentCount; ++i) {
        float angle = static_cast<float>(i) * stepDegrees * kDegreesToRadians;
        vertices.push_back(static_cast<float>(std::cos(static_cast<double>(angle))) * radius);
        vertices.push_back(static_cast<float>(std::sin(static_cast<double>(angle))) * radius);
        vertices.push_back(0.0f);
    }
    return vertices;
}

std::vector<GLuint> RingObject::buildIndices(unsigned segmentCount)
{
    std::vector<GLuint> indices;
    indices.reserve(static_cast<size_t>(segmentCount) * 2);
    for (unsigned i = 0; i < segmentCount; ++i) {
        indices.push_back(i);
        indices.push_back(i + 1 < segmentCount ? i + 1 : 0);
    }
    return indices;
}

GLsizei RingObject::countDrawnIndices(unsigned segmentCount, float progress)
{
    unsigned whole = segmentCount * 2;
    float product = static_cast<float>(segmentCount) * 2.0f * progress;
    // A negative (or undefined) progress hides the ring rather than wrapping
    // around to a huge count that would show all of it.
    if (!(product > 0.0f)) {
        return 0;
    }
    if (product >= static_cast<float>(whole)) {
        return static_cast<GLsizei>(whole);
    }
    return static_cast<GLsizei>(static_cast<unsigned>(product));
}

bool RingObject::init(Scene* owner)
{
    scene = owner;
    segmentCount = countSegments(stepDegrees);
    std::vector<float> vertices = buildVertices(segmentCount, radius, stepDegrees);
    std::vector<GLuint> indices = buildIndices(segmentCount);
    createLineBuffers(vao, vbo, ibo, vertices.data(), static_cast<GLsizeiptr>(vertices.size() * sizeof(float)),
                      indices.data(), static_cast<GLsizeiptr>(indices.size() * sizeof(GLuint)));
    if (!shader.load(kWireframeVertexPath, kWireframeFragmentPath, nullptr)) {
        SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "Failed to initialize wireframe shader!");
        return false;
    }
    return true;
}

void RingObject::render(float)
{
    useArrayAndProgram(vao, shader.program);
    bindLineBuffers(vbo, ibo);
    setCameraUniforms(shader, *scene);
    glm::mat4 model = glm::rotate(glm::mat4(1.0f), kTiltDegrees * kDegreesToRadians, kTiltAxis);
    model = glm::rotate(model, rotation * kDegreesToRadians, kSpinAxis);
    setMatrixUniform(shader, kModelMatrixUniform, model);
    setColorUniform(shader, kDiffuseUniform, kRingColor);
    drawLines(countDrawnIndices(segmentCount, progress));
}

void RingObject::release()
{
    shader.release();
    deleteLineBuffers(vbo, ibo, vao);
}
