#include "scene/WireframeCubeObject.h"

#include "engine/Engine.h"
#include "scene/WireframeDraw.h"

#include <SDL.h>
#include <glm/gtc/matrix_transform.hpp>

#include <cmath>

namespace {

constexpr const char* kCubeVisible = "Cube.Visible";
constexpr const char* kCubeZ = "Cube.Z";
constexpr const char* kCubeScale = "Cube.Scale";

constexpr int kCubeCount = 8;
constexpr float kCircleRadius = 25.0f;
constexpr float kCircleCentreHeight = 10.0f;
// A quarter turn and half a turn per second, written as the demo always had them.
constexpr float kPhaseStep = 1.57f;
constexpr float kPhaseSpeed = 3.14f;
constexpr float kDepthStep = 35.0f;
constexpr float kSpinDegreesPerSecond = 45.0f;
// Cube i is scaled by "Cube.Scale" * i / 7, so the last cube has the track's size.
constexpr float kSizeDivisor = 7.0f;
constexpr glm::vec4 kCubeColor(0.89f, 0.88f, 0.09f, 1.0f);

constexpr float kCubeVertices[] = {
    -0.5f, 0.5f,  0.5f,  -0.5f, -0.5f, 0.5f,  0.5f, -0.5f, 0.5f,  0.5f, 0.5f, 0.5f,
    -0.5f, 0.5f,  -0.5f, -0.5f, -0.5f, -0.5f, 0.5f, -0.5f, -0.5f, 0.5f, 0.5f, -0.5f,
};

// Front face, back face, then the four edges joining them.
constexpr GLuint kCubeIndices[] = {
    0, 1, 0, 3, 2, 1, 2, 3, 4, 5, 4, 7, 6, 5, 6, 7, 0, 4, 3, 7, 1, 5, 2, 6,
};

constexpr GLsizei kCubeIndexCount = sizeof(kCubeIndices) / sizeof(kCubeIndices[0]);

glm::mat4 cubeModelMatrix(int index, float phase0, float spin, SyncDevice& sync)
{
    float phase = static_cast<float>(index) * kPhaseStep + phase0;
    float x = static_cast<float>(std::cos(static_cast<double>(phase))) * kCircleRadius;
    float y = static_cast<float>(std::sin(static_cast<double>(phase))) * kCircleRadius + kCircleCentreHeight;
    float z = sync.getFloat(kCubeZ) + static_cast<float>(index) * kDepthStep;
    glm::mat4 model = glm::translate(glm::mat4(1.0f), glm::vec3(x, y, z));
    model = glm::rotate(model, spin * kDegreesToRadians, glm::vec3(0.0f, 1.0f, 0.0f));
    float size = sync.getFloat(kCubeScale) * (static_cast<float>(index) / kSizeDivisor);
    return glm::scale(model, glm::vec3(size));
}

}

bool WireframeCubeObject::init(Scene* owner)
{
    scene = owner;
    createLineBuffers(vao, vbo, ibo, kCubeVertices, sizeof(kCubeVertices), kCubeIndices, sizeof(kCubeIndices));
    if (!shader.load(kWireframeVertexPath, kWireframeFragmentPath, nullptr)) {
        SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "Failed to initialize wireframe shader!");
        return false;
    }
    return true;
}

void WireframeCubeObject::render(float time)
{
    SyncDevice& sync = Engine::instance->syncDevice;
    if (!sync.getBool(kCubeVisible)) {
        return;
    }
    useArrayAndProgram(vao, shader.program);
    bindLineBuffers(vbo, ibo);
    setCameraUniforms(shader, *scene);
    setColorUniform(shader, kDiffuseUniform, kCubeColor);

    // The circling and spinning follow the music clock; depth and size follow tracks.
    float spin = time * kSpinDegreesPerSecond;
    float phase0 = time * kPhaseSpeed;
    for (int i = 0; i < kCubeCount; ++i) {
        setMatrixUniform(shader, kModelMatrixUniform, cubeModelMatrix(i, phase0, spin, sync));
        drawLines(kCubeIndexCount);
    }
}

void WireframeCubeObject::release()
{
    shader.release();
    deleteLineBuffers(vbo, ibo, vao);
}
