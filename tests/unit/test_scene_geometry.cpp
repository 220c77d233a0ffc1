// The scene's static geometry and per-object motion, checked on the CPU.
#include "scene/GridObject.h"
#include "scene/RandomSequence.h"
#include "scene/RingObject.h"
#include "scene/SwarmParticle.h"

#include <glm/vec4.hpp>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

glm::vec3 vertexAt(const std::vector<float>& vertices, size_t index)
{
    return glm::vec3(vertices[index * 3], vertices[index * 3 + 1], vertices[index * 3 + 2]);
}

void expectVertex(const std::vector<float>& vertices, size_t index, glm::vec3 expected, float tolerance = 0.0f)
{
    glm::vec3 got = vertexAt(vertices, index);
    EXPECT_NEAR(got.x, expected.x, tolerance) << "vertex " << index;
    EXPECT_NEAR(got.y, expected.y, tolerance) << "vertex " << index;
    EXPECT_NEAR(got.z, expected.z, tolerance) << "vertex " << index;
}

TEST(GridGeometry, OneCellIsASquareOfFourEdges)
{
    std::vector<float> vertices = GridObject::buildVertices(1, 2.0f);
    ASSERT_EQ(vertices.size(), 4u * 3u);
    expectVertex(vertices, 0, {-1.0f, 0.0f, -1.0f});
    expectVertex(vertices, 1, {1.0f, 0.0f, -1.0f});
    expectVertex(vertices, 2, {-1.0f, 0.0f, 1.0f});
    expectVertex(vertices, 3, {1.0f, 0.0f, 1.0f});
    EXPECT_EQ(GridObject::buildIndices(1), (std::vector<GLuint>{0, 1, 0, 2, 3, 2, 3, 1}));
}

TEST(GridGeometry, SceneGridSpansTheFloorInStepsOfEight)
{
    std::vector<float> vertices = GridObject::buildVertices(64, 8.0f);
    std::vector<GLuint> indices = GridObject::buildIndices(64);
    ASSERT_EQ(vertices.size() / 3, 4225u);
    ASSERT_EQ(indices.size(), 32768u);
    expectVertex(vertices, 0, {-256.0f, 0.0f, -256.0f});
    expectVertex(vertices, 4224, {256.0f, 0.0f, 256.0f});
    // Columns run along X, rows along Z.
    expectVertex(vertices, 1, {-248.0f, 0.0f, -256.0f});
    expectVertex(vertices, 65, {-256.0f, 0.0f, -248.0f});
    for (GLuint index : indices) {
        ASSERT_LT(index, 4225u);
    }
    // Every pair is one lattice edge: neighbours in a row or in a column.
    for (size_t i = 0; i < indices.size(); i += 2) {
        glm::vec3 a = vertexAt(vertices, indices[i]);
        glm::vec3 b = vertexAt(vertices, indices[i + 1]);
        ASSERT_FLOAT_EQ(std::fabs(a.x - b.x) + std::fabs(a.z - b.z), 8.0f) << "pair " << i / 2;
    }
    // The last cell closes the far corner.
    std::vector<GLuint> lastCell(indices.end() - 8, indices.end());
    EXPECT_EQ(lastCell, (std::vector<GLuint>{4158, 4159, 4158, 4223, 4224, 4223, 4224, 4159}));
}

struct RingCase {
    float radius;
    float stepDegrees;
    unsigned segments;
};

class RingGeometry : public ::testing::TestWithParam<RingCase> {};

TEST_P(RingGeometry, IsAClosedCircleOfEqualSegments)
{
    RingCase ring = GetParam();
    unsigned segments = RingObject::countSegments(ring.stepDegrees);
    ASSERT_EQ(segments, ring.segments);
    std::vector<float> vertices = RingObject::buildVertices(segments, ring.radius, ring.stepDegrees);
    std::vector<GLuint> indices = RingObject::buildIndices(segments);
    ASSERT_EQ(vertices.size(), segments * 3u);
    ASSERT_EQ(indices.size(), segments * 2u);
    expectVertex(vertices, 0, {ring.radius, 0.0f, 0.0f});
    if (std::fmod(90.0f, ring.stepDegrees) == 0.0f) {
        size_t quarter = static_cast<size_t>(90.0f / ring.stepDegrees);
        expectVertex(vertices, quarter, {0.0f, ring.radius, 0.0f}, 1e-5f * ring.radius);
    }
    for (size_t i = 0; i < segments; ++i) {
        EXPECT_NEAR(glm::length(vertexAt(vertices, i)), ring.radius, 1e-5f * ring.radius);
    }
    for (unsigned i = 0; i + 1 < segments; ++i) {
        ASSERT_EQ(indices[i * 2], i);
        ASSERT_EQ(indices[i * 2 + 1], i + 1);
    }
    EXPECT_EQ(indices[segments * 2 - 2], segments - 1);
    EXPECT_EQ(indices[segments * 2 - 1], 0u);
}

INSTANTIATE_TEST_SUITE_P(SceneRings, RingGeometry,
                         ::testing::Values(RingCase{10.0f, 1.0f, 360}, RingCase{25.0f, 2.0f, 180},
                                           RingCase{5.0f, 360.0f, 1}, RingCase{5.0f, 7.0f, 51}));

TEST(RingGeometry, StepsOutsideTheCircleGiveNoSegments)
{
    for (float step : {0.0f, -1.0f, 361.0f, NAN, 1e-30f}) {
        EXPECT_EQ(RingObject::countSegments(step), 0u) << step;
    }
    EXPECT_TRUE(RingObject::buildIndices(0).empty());
}

struct ProgressCase {
    float progress;
    GLsizei indices;
};

TEST(RingGeometry, ProgressSelectsHowMuchOfTheCircleIsDrawn)
{
    const ProgressCase cases[] = {
        {1.0f, 720}, {0.25f, 180}, {0.5f, 360}, {1.7f, 720}, {0.0005f, 0}, {0.0f, 0},
        // Negative progress hides the ring instead of wrapping round to all of it.
        {-2.0f, 0}, {-0.001f, 0}, {NAN, 0}, {INFINITY, 720}, {0.0021f, 1},
    };
    for (const ProgressCase& c : cases) {
        EXPECT_EQ(RingObject::countDrawnIndices(360, c.progress), c.indices) << "progress " << c.progress;
    }
    EXPECT_EQ(RingObject::countDrawnIndices(180, 0.25f), 90);
}

TEST(SwarmMotion, DriftsFromTheEmitterSpinsAndScales)
{
    glm::vec3 origin(0.0f);
    glm::mat4 drifted = swarmModelMatrix(origin, {1.0f, 0.0f, 0.0f}, 2.0f, 3.0f, {0.0f, 0.0f, 1.0f}, 0.0f, 0.5f);
    glm::vec4 centre = drifted * glm::vec4(0.0f, 0.0f, 0.0f, 1.0f);
    EXPECT_NEAR(centre.x, 6.0f, 1e-6f);
    EXPECT_NEAR(centre.y, 0.0f, 1e-6f);

    // No drift time: on the emitter whatever the drift; the size scales the shape.
    glm::vec3 emitter(4.0f, -2.0f, 7.0f);
    glm::mat4 gathered = swarmModelMatrix(emitter, {0.3f, -0.9f, 1.0f}, -4.2f, 0.0f, {0.0f, 1.0f, 0.0f}, 0.0f, 0.5f);
    glm::vec4 corner = gathered * glm::vec4(0.5f, 0.5f, 0.0f, 1.0f);
    EXPECT_NEAR(corner.x, 4.25f, 1e-6f);
    EXPECT_NEAR(corner.y, -1.75f, 1e-6f);
    EXPECT_NEAR(corner.z, 7.0f, 1e-6f);

    // A quarter turn about Z takes the needle's tip from +Y to -X.
    glm::mat4 turned = swarmModelMatrix(origin, {}, 0.0f, 0.0f, {0.0f, 0.0f, 2.0f}, 90.0f, 1.0f);
    glm::vec4 tip = turned * glm::vec4(0.0f, 0.5f, 0.0f, 1.0f);
    EXPECT_NEAR(tip.x, -0.5f, 1e-6f);
    EXPECT_NEAR(tip.y, 0.0f, 1e-6f);

    // A zero spin axis has no rotation to make; the shape stays finite and unturned.
    glm::mat4 still = swarmModelMatrix(origin, {}, 0.0f, 0.0f, {0.0f, 0.0f, 0.0f}, 45.0f, 1.0f);
    glm::vec4 unturned = still * glm::vec4(0.0f, 0.5f, 0.0f, 1.0f);
    EXPECT_FLOAT_EQ(unturned.x, 0.0f);
    EXPECT_FLOAT_EQ(unturned.y, 0.5f);
}

// The swarm's generator must give glibc's rand() sequence on every platform, so no
// Linux pixel moves and Windows shows the same swarm; the seeds are the scene's and
// two that reach the seeding's edge cases (a zero word, a negative one).
TEST(SwarmRandom, GivesTheCLibrarysSequenceOnEveryPlatform)
{
    RandomSequence random;
    random.seed(0);
    // glibc's first draws after srand(0), which seeds as srand(1) does.
    EXPECT_EQ(random.next(), 1804289383);
    EXPECT_EQ(random.next(), 846930886);
#ifdef __GLIBC__
    for (uint32_t seed : {0u, 1u, 4294967295u}) {
        random.seed(seed);
        std::srand(seed);
        for (int draw = 0; draw < 100000; ++draw) {
            ASSERT_EQ(random.next(), std::rand()) << "seed " << seed << ", draw " << draw;
        }
    }
#endif
}

}
