// The demo's object list: order, kinds, per-object random values, the GL
// buffers each kind uploads, and the order of the scene's shutdown.
#include "SceneTestFixture.h"

#include "scene/FlakeObject.h"
#include "scene/GridObject.h"
#include "scene/NeedleObject.h"
#include "scene/ObjectList.h"
#include "scene/RingObject.h"
#include "scene/WireframeCubeObject.h"

#include <cstdlib>

namespace testing_support {
namespace {

constexpr size_t kObjectCount = 1028;

struct SwarmValues {
    int type;
    glm::vec3 driftDirection;
    float driftSpeed;
    glm::vec3 spinAxis;
    float spinSpeed;
    float size;

    bool operator==(const SwarmValues& other) const
    {
        return type == other.type && driftDirection == other.driftDirection && driftSpeed == other.driftSpeed &&
               spinAxis == other.spinAxis && spinSpeed == other.spinSpeed && size == other.size;
    }
};

template <class Particle>
SwarmValues valuesOf(const Particle& p, int type)
{
    return SwarmValues{type, p.driftDirection, p.driftSpeed, p.spinAxis, p.spinSpeed, p.size};
}

std::vector<SwarmValues> swarmValues(const Scene& scene)
{
    std::vector<SwarmValues> values;
    for (SceneObject* object : scene.objects) {
        if (object->getType() == Needle) {
            values.push_back(valuesOf(*static_cast<NeedleObject*>(object), Needle));
        } else if (object->getType() == Flake) {
            values.push_back(valuesOf(*static_cast<FlakeObject*>(object), Flake));
        }
    }
    return values;
}

// The generator's sequence after the seed, consumed nine draws per object,
// needle then flake: needle k takes draws 18k+1..18k+9, flake k the next nine.
std::vector<SwarmValues> expectedSwarmValues()
{
    std::srand(0);
    auto u = [] { return static_cast<float>(std::rand() % 2001 - 1000) / 1000.0f; };
    std::vector<SwarmValues> values;
    for (int k = 0; k < 1024; ++k) {
        SwarmValues v{};
        v.type = k % 2 == 0 ? Needle : Flake;
        v.driftDirection.z = u();
        v.driftDirection.y = u();
        v.driftDirection.x = u();
        v.driftSpeed = u() * 5.0f;
        v.spinAxis.z = u();
        v.spinAxis.y = u();
        v.spinAxis.x = u();
        v.spinSpeed = u() * 90.0f;
        v.size = u() * 0.75f;
        values.push_back(v);
    }
    return values;
}

GLint bufferSize(GLenum target, GLuint buffer)
{
    GLint size = -1;
    glBindBuffer(target, buffer);
    glGetBufferParameteriv(target, GL_BUFFER_SIZE, &size);
    return size;
}

class ObjectList : public SceneTest {};

TEST_F(ObjectList, HoldsTheDemoObjectsInTheirOrder)
{
    LogCapture log;
    ASSERT_TRUE(startScene());
    addDemoObjects(scene());
    ASSERT_EQ(scene().objects.size(), kObjectCount);
    const int head[] = {Grid, Ring, Ring, WireframeCube};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(scene().objects[i]->getType(), head[i]) << i;
    }
    int rings = 0;
    for (size_t i = 4; i < kObjectCount; ++i) {
        EXPECT_EQ(scene().objects[i]->getType(), i % 2 == 0 ? Needle : Flake) << i;
    }
    for (SceneObject* object : scene().objects) {
        rings += object->getType() == Ring ? 1 : 0;
    }
    EXPECT_EQ(rings, 2);

    auto* grid = static_cast<GridObject*>(scene().objects[0]);
    EXPECT_EQ(grid->cellCount, 64u);
    EXPECT_EQ(grid->spacing, 8.0f);
    auto* ring1 = static_cast<RingObject*>(scene().objects[1]);
    auto* ring2 = static_cast<RingObject*>(scene().objects[2]);
    EXPECT_EQ(ring1->radius, 10.0f);
    EXPECT_EQ(ring1->stepDegrees, 1.0f);
    EXPECT_EQ(ring2->radius, 25.0f);
    EXPECT_EQ(ring2->stepDegrees, 2.0f);
    for (SceneObject* object : scene().objects) {
        ASSERT_EQ(object->position, glm::vec3(0.0f));
    }
    EXPECT_TRUE(log.lines().empty()) << log.lines().front();
}

TEST_F(ObjectList, EveryBuildDrawsTheSameSwarmFromTheSeededSequence)
{
    // Whatever the generator held before, the scene's start-up reseeds it.
    std::srand(12345);
    ASSERT_TRUE(startScene());
    addDemoObjects(scene());
    std::vector<SwarmValues> first = swarmValues(scene());

    TearDown();
    SetUp();
    std::srand(777);
    ASSERT_TRUE(startScene());
    addDemoObjects(scene());
    std::vector<SwarmValues> second = swarmValues(scene());

    ASSERT_EQ(first.size(), 1024u);
    EXPECT_TRUE(first == second);
    std::vector<SwarmValues> expected = expectedSwarmValues();
    for (size_t i = 0; i < expected.size(); ++i) {
        ASSERT_TRUE(first[i] == expected[i]) << "swarm object " << i;
    }
    EXPECT_FALSE(first[0] == first[1]);
}

TEST_F(ObjectList, EachKindUploadsItsGeometryOnce)
{
    ASSERT_TRUE(startScene());
    addDemoObjects(scene());
    auto* grid = static_cast<GridObject*>(scene().objects[0]);
    auto* ring1 = static_cast<RingObject*>(scene().objects[1]);
    auto* ring2 = static_cast<RingObject*>(scene().objects[2]);
    auto* cube = static_cast<WireframeCubeObject*>(scene().objects[3]);
    struct Upload {
        const char* what;
        GLuint vbo;
        GLuint ibo;
        GLint vertexBytes;
        GLint indexBytes;
    };
    const Upload uploads[] = {
        {"grid", grid->vbo, grid->ibo, 4225 * 12, 32768 * 4},
        {"ring 1", ring1->vbo, ring1->ibo, 360 * 12, 720 * 4},
        {"ring 2", ring2->vbo, ring2->ibo, 180 * 12, 360 * 4},
        {"cube", cube->vbo, cube->ibo, 96, 96},
        {"flakes", FlakeObject::sharedVbo, FlakeObject::sharedIbo, 48, 32},
        {"needles", NeedleObject::sharedVbo, NeedleObject::sharedIbo, 24, 8},
    };
    glBindVertexArray(0);
    for (const Upload& u : uploads) {
        EXPECT_EQ(bufferSize(GL_ARRAY_BUFFER, u.vbo), u.vertexBytes) << u.what;
        GLuint vao = 0;
        glGenVertexArrays(1, &vao);
        glBindVertexArray(vao);
        EXPECT_EQ(bufferSize(GL_ELEMENT_ARRAY_BUFFER, u.ibo), u.indexBytes) << u.what;
        glBindVertexArray(0);
        glDeleteVertexArrays(1, &vao);
    }
    EXPECT_EQ(ring1->segmentCount, 360u);
    EXPECT_EQ(ring2->segmentCount, 180u);

    // The ring's closing segment runs from its last vertex back to the first.
    GLuint lastPair[2] = {1, 1};
    glBindBuffer(GL_COPY_READ_BUFFER, ring1->ibo);
    glGetBufferSubData(GL_COPY_READ_BUFFER, 718 * 4, 8, lastPair);
    EXPECT_EQ(lastPair[0], 359u);
    EXPECT_EQ(lastPair[1], 0u);
    float gridCorner[3] = {};
    glBindBuffer(GL_COPY_READ_BUFFER, grid->vbo);
    glGetBufferSubData(GL_COPY_READ_BUFFER, 4224 * 12, 12, gridCorner);
    EXPECT_EQ(gridCorner[0], 256.0f);
    EXPECT_EQ(gridCorner[2], 256.0f);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(ObjectList, AMissingNoiseImageLeavesTheGridInTheListAndStartUpGoesOn)
{
    ASSERT_TRUE(startScene());
    SceneWorkDir withoutTexture(false);
    LogCapture log;
    addDemoObjects(scene());
    EXPECT_EQ(scene().objects.size(), kObjectCount);
    EXPECT_EQ(scene().objects[0]->getType(), Grid);
    EXPECT_EQ(log.lines(), std::vector<std::string>{"Failed to initialize smoothNoise.png!"});
    auto* grid = static_cast<GridObject*>(scene().objects[0]);
    EXPECT_EQ(grid->noiseTexture.id, 0u);
    EXPECT_EQ(grid->noiseSampler, 0u);
}

// Shutdown is watched through the GL entry points the scene calls.
struct ShutdownRecord {
    std::vector<std::string> events;
    PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers = nullptr;
    PFNGLDELETEBUFFERSPROC deleteBuffers = nullptr;
};
ShutdownRecord record;

void GLAPIENTRY recordDeleteFramebuffers(GLsizei count, const GLuint* names)
{
    for (GLsizei i = 0; i < count; ++i) {
        record.events.push_back("framebuffer " + std::to_string(names[i]));
    }
    record.deleteFramebuffers(count, names);
}

void GLAPIENTRY recordDeleteBuffers(GLsizei count, const GLuint* names)
{
    for (GLsizei i = 0; i < count; ++i) {
        record.events.push_back("buffer " + std::to_string(names[i]));
    }
    record.deleteBuffers(count, names);
}

class ProbeObject : public SceneObject {
public:
    ~ProbeObject() override { record.events.push_back("object"); }
    bool init(Scene*) override { return true; }
    void render(float) override {}
    void release() override { record.events.push_back("release"); }
    int getType() override { return 0; }
};

// Says when the scene asks it to draw, so the log shows what came before.
class DrawProbe : public ProbeObject {
public:
    void render(float) override { SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "probe drawn"); }
};

size_t indexOf(const std::string& event)
{
    auto found = std::find(record.events.begin(), record.events.end(), event);
    EXPECT_EQ(std::count(record.events.begin(), record.events.end(), event), 1) << event;
    return static_cast<size_t>(found - record.events.begin());
}

TEST_F(ObjectList, ShutdownDeletesEveryObjectOnceThenReleasesInOrder)
{
    ASSERT_TRUE(startScene());
    addDemoObjects(scene());
    for (int i = 0; i < 3; ++i) {
        scene().addObject(new ProbeObject());
    }
    std::string sceneBuffer = "framebuffer " + std::to_string(scene().frameBuffer.fbo);
    std::string postQuad = "buffer " + std::to_string(scene().postProcessor.quadVertexBuffer);
    std::string needles = "buffer " + std::to_string(NeedleObject::sharedVbo);
    std::string flakes = "buffer " + std::to_string(FlakeObject::sharedVbo);

    record = ShutdownRecord{{}, glDeleteFramebuffers, glDeleteBuffers};
    glDeleteFramebuffers = recordDeleteFramebuffers;
    glDeleteBuffers = recordDeleteBuffers;
    scene().shutdown();
    started = false;
    glDeleteFramebuffers = record.deleteFramebuffers;
    glDeleteBuffers = record.deleteBuffers;

    EXPECT_TRUE(scene().objects.empty());
    ASSERT_GE(record.events.size(), 3u);
    // The objects go first and free nothing on the GPU; release is never called.
    EXPECT_EQ(std::vector<std::string>(record.events.begin(), record.events.begin() + 3),
              std::vector<std::string>(3, "object"));
    EXPECT_EQ(std::count(record.events.begin(), record.events.end(), "object"), 3);
    EXPECT_EQ(std::count(record.events.begin(), record.events.end(), "release"), 0);
    size_t frameBufferAt = indexOf(sceneBuffer);
    size_t postAt = indexOf(postQuad);
    size_t needlesAt = indexOf(needles);
    size_t flakesAt = indexOf(flakes);
    EXPECT_EQ(frameBufferAt, 3u);
    EXPECT_LT(frameBufferAt, postAt);
    EXPECT_LT(postAt, needlesAt);
    EXPECT_LT(needlesAt, flakesAt);
    EXPECT_FALSE(glIsBuffer(FlakeObject::sharedVbo));
    EXPECT_FALSE(glIsBuffer(NeedleObject::sharedIbo));
}

TEST_F(ObjectList, AnErrorLeftBeforeTheFrameIsLoggedAfterTheClearBeforeAnyDraw)
{
    ASSERT_TRUE(startScene());
    scene().addObject(new DrawProbe());
    LogCapture log;
    glEnable(0xFFFF);
    scene().render(0.0f);
    const std::vector<std::string>& lines = log.lines();
    const auto error = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
        return line.rfind("OpenGL Error Encountered! Error: (1280)", 0) == 0;
    });
    const auto drawn = std::find(lines.begin(), lines.end(), "probe drawn");
    ASSERT_NE(error, lines.end());
    ASSERT_NE(drawn, lines.end());
    EXPECT_LT(error, drawn);
}

}
}
