#include "scene/SwarmParticle.h"

#include <SDL.h>
#include <glm/gtc/matrix_transform.hpp>

namespace {

constexpr int kRandomSteps = 2001;
constexpr int kRandomCentre = 1000;
constexpr float kRandomScale = 1000.0f;

}

bool initSwarmSharedData(const SwarmKind& kind, GLuint& vao, GLuint& vbo, GLuint& ibo, Shader& shader)
{
    createLineBuffers(vao, vbo, ibo, kind.vertices, kind.vertexBytes, kind.indices, kind.indexBytes);
    if (!shader.load(kWireframeVertexPath, kWireframeFragmentPath, nullptr)) {
        SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "Failed to initialize wireframe shader!");
        return false;
    }
    return true;
}

void releaseSwarmSharedData(GLuint vao, GLuint vbo, GLuint ibo, Shader& shader)
{
    shader.release();
    deleteLineBuffers(vbo, ibo, vao);
}

float drawUnitRandom(RandomSequence& random)
{
    return static_cast<float>(random.next() % kRandomSteps - kRandomCentre) / kRandomScale;
}

glm::mat4 swarmModelMatrix(const glm::vec3& emitter, const glm::vec3& driftDirection, float driftSpeed,
                           float driftTime, const glm::vec3& spinAxis, float spinDegrees, float size)
{
    glm::vec3 centre = (driftDirection * driftSpeed) * driftTime + emitter;
    glm::mat4 model = glm::translate(glm::mat4(1.0f), centre);
    // A zero axis has no direction to turn about; such an object just does not spin.
    if (spinAxis != glm::vec3(0.0f)) {
        model = glm::rotate(model, spinDegrees * kDegreesToRadians, spinAxis);
    }
    return glm::scale(model, glm::vec3(size));
}
