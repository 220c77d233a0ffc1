#pragma once

#include "engine/Engine.h"
#include "render/Shader.h"
#include "scene/RandomSequence.h"
#include "scene/WireframeDraw.h"

#include <GL/glew.h>
#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

class Scene;

// What tells flakes from needles: their shape, their tracks and their colour.
// Both kinds share one drawing recipe, written once here.
struct SwarmKind {
    const char* visibleTrack;
    const char* xTrack;
    const char* yTrack;
    const char* zTrack;
    const char* timeTrack;
    const char* fadeTrack;
    glm::vec3 color;
    const float* vertices;
    GLsizeiptr vertexBytes;
    const GLuint* indices;
    GLsizeiptr indexBytes;
    GLsizei indexCount;
};

// Builds the class-wide shape buffers and loads the class's wireframe program.
bool initSwarmSharedData(const SwarmKind& kind, GLuint& vao, GLuint& vbo, GLuint& ibo, Shader& shader);
void releaseSwarmSharedData(GLuint vao, GLuint vbo, GLuint ibo, Shader& shader);

// One draw from the seeded generator: a multiple of 0.001 in [-1, 1].
float drawUnitRandom(RandomSequence& random);

// Drift from the emitter along the drift direction, spin about the spin axis,
// then the uniform size: the transform written last acts first on a vertex.
glm::mat4 swarmModelMatrix(const glm::vec3& emitter, const glm::vec3& driftDirection, float driftSpeed,
                           float driftTime, const glm::vec3& spinAxis, float spinDegrees, float size);

// The per-object values, drawn in a fixed order so every run shows the same swarm.
template <class Particle>
void drawSwarmValues(Particle& particle, RandomSequence& random)
{
    particle.driftDirection.z = drawUnitRandom(random);
    particle.driftDirection.y = drawUnitRandom(random);
    particle.driftDirection.x = drawUnitRandom(random);
    particle.driftSpeed = drawUnitRandom(random) * 5.0f;
    particle.spinAxis.z = drawUnitRandom(random);
    particle.spinAxis.y = drawUnitRandom(random);
    particle.spinAxis.x = drawUnitRandom(random);
    particle.spinSpeed = drawUnitRandom(random) * 90.0f;
    particle.size = drawUnitRandom(random) * 0.75f;
}

template <class Particle>
void renderSwarmParticle(Particle& particle, const SwarmKind& kind, float time)
{
    SyncDevice& sync = Engine::instance->syncDevice;
    if (!sync.getBool(kind.visibleTrack)) {
        return;
    }
    Shader& shader = Particle::sharedShader;
    useArrayAndProgram(Particle::sharedVao, shader.program);
    bindLineBuffers(Particle::sharedVbo, Particle::sharedIbo);
    setCameraUniforms(shader, *particle.scene);

    float z = sync.getFloat(kind.zTrack);
    float y = sync.getFloat(kind.yTrack);
    float x = sync.getFloat(kind.xTrack);
    particle.position = glm::vec3(x, y, z);
    float driftTime = sync.getFloat(kind.timeTrack);
    setMatrixUniform(shader, kModelMatrixUniform,
                     swarmModelMatrix(particle.position, particle.driftDirection, particle.driftSpeed, driftTime,
                                      particle.spinAxis, particle.spinSpeed * time, particle.size));
    float fade = sync.getFloat(kind.fadeTrack);
    setColorUniform(shader, kDiffuseUniform, glm::vec4(kind.color, fade));
    drawLines(kind.indexCount);
}
