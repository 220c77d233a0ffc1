#include "scene/NeedleObject.h"

#include "scene/SwarmParticle.h"

namespace {

// One segment of length 1 along Y.
constexpr float kNeedleVertices[] = {0.0f, 0.5f, 0.0f, 0.0f, -0.5f, 0.0f};
constexpr GLuint kNeedleIndices[] = {0, 1};

constexpr SwarmKind kNeedleKind = {
    "Needles.Visible", "Needles.X", "Needles.Y", "Needles.Z", "Needles.Time", "Needles.Fade",
    glm::vec3(0.89f, 0.88f, 0.09f),
    kNeedleVertices, sizeof(kNeedleVertices), kNeedleIndices, sizeof(kNeedleIndices),
    sizeof(kNeedleIndices) / sizeof(kNeedleIndices[0]),
};

}

GLuint NeedleObject::sharedVao = 0;
GLuint NeedleObject::sharedVbo = 0;
GLuint NeedleObject::sharedIbo = 0;
Shader NeedleObject::sharedShader;

bool NeedleObject::initSharedData()
{
    return initSwarmSharedData(kNeedleKind, sharedVao, sharedVbo, sharedIbo, sharedShader);
}

void NeedleObject::releaseSharedData()
{
    releaseSwarmSharedData(sharedVao, sharedVbo, sharedIbo, sharedShader);
}

bool NeedleObject::init(Scene* owner)
{
    scene = owner;
    drawSwarmValues(*this, owner->random);
    return true;
}

void NeedleObject::render(float time)
{
    renderSwarmParticle(*this, kNeedleKind, time);
}
