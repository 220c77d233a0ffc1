#include "scene/FlakeObject.h"

#include "scene/SwarmParticle.h"

namespace {

// The outline of a unit square in the XY plane.
constexpr float kFlakeVertices[] = {
    -0.5f, 0.5f, 0.0f, -0.5f, -0.5f, 0.0f, 0.5f, -0.5f, 0.0f, 0.5f, 0.5f, 0.0f,
};
constexpr GLuint kFlakeIndices[] = {0, 1, 0, 3, 2, 1, 2, 3};

constexpr SwarmKind kFlakeKind = {
    "Flakes.Visible", "Flakes.X", "Flakes.Y", "Flakes.Z", "Flakes.Time", "Flakes.Fade",
    glm::vec3(0.09f, 0.79f, 0.9f),
    kFlakeVertices, sizeof(kFlakeVertices), kFlakeIndices, sizeof(kFlakeIndices),
    sizeof(kFlakeIndices) / sizeof(kFlakeIndices[0]),
};

}

GLuint FlakeObject::sharedVao = 0;
GLuint FlakeObject::sharedVbo = 0;
GLuint FlakeObject::sharedIbo = 0;
Shader FlakeObject::sharedShader;

bool FlakeObject::initSharedData()
{
    return initSwarmSharedData(kFlakeKind, sharedVao, sharedVbo, sharedIbo, sharedShader);
}

void FlakeObject::releaseSharedData()
{
    releaseSwarmSharedData(sharedVao, sharedVbo, sharedIbo, sharedShader);
}

bool FlakeObject::init(Scene* owner)
{
    scene = owner;
    drawSwarmValues(*this, owner->random);
    return true;
}

void FlakeObject::render(float time)
{
    renderSwarmParticle(*this, kFlakeKind, time);
}
