#include "GlTestContext.h"
#include "TestPaths.h"
#include "render/Shader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace testing_support;

namespace {

// A full-window triangle from gl_VertexID, so no vertex buffer is needed.
const std::string kVertex = R"(#version 330 core
out vec2 vPosition;
void main()
{
    vec2 corner = vec2(float((gl_VertexID & 1) * 4 - 1), float((gl_VertexID & 2) * 2 - 1));
    vPosition = corner;
    gl_Position = vec4(corner, 0.0, 1.0);
}
)";

const std::string kFragment = R"(#version 330 core
in vec2 vPosition;
uniform vec4 uColor;
uniform float uUnused;
out vec4 fragColor;
void main()
{
    fragColor = uColor + vec4(0.0 * vPosition, 0.0, 0.0);
}
)";

const std::string kGeometry = R"(#version 330 core
layout(triangles) in;
layout(triangle_strip, max_vertices = 3) out;
in vec2 vPosition[];
out vec2 gPosition;
void main()
{
    for (int i = 0; i < 3; ++i) {
        gPosition = vPosition[i];
        gl_Position = gl_in[i].gl_Position;
        EmitVertex();
    }
    EndPrimitive();
}
)";

const std::string kFragmentAfterGeometry = R"(#version 330 core
in vec2 gPosition;
uniform vec4 uColor;
out vec4 fragColor;
void main() { fragColor = uColor + vec4(0.0 * gPosition, 0.0, 0.0); }
)";

const std::string kBrokenVertex = "#version 330 core\nvoid main() { gl_Position = vec4(1.0) +; }\n";
const std::string kBrokenFragment = "#version 330 core\nout vec4 c;\nvoid main() { c = vec4(1.0) +; }\n";
const std::string kBrokenGeometry = "#version 330 core\nlayout(points) in;\nvoid main() { EmitVertex( }\n";

// The vertex stage hands a vec2 on, this fragment stage wants a vec4 of that name.
const std::string kMismatchedFragment = R"(#version 330 core
in vec4 vPosition;
out vec4 fragColor;
void main() { fragColor = vPosition; }
)";

constexpr const char* kColorUniform = "uColor";
constexpr const char* kUnusedUniform = "uUnused";

// Mesa hands out shader and program names (one name space) in increasing order
// and never reuses them, so the distance between two probe shaders counts the
// shader and program objects made in between, deleted ones included.
class NameProbe {
public:
    NameProbe() : first(probe()) {}
    GLuint objectsMadeSince() { return probe() - first - 1; }

private:
    static GLuint probe()
    {
        const GLuint name = glCreateShader(GL_VERTEX_SHADER);
        glDeleteShader(name);
        return name;
    }
    GLuint first;
};

class ShaderTest : public GlTest {
protected:
    void SetUp() override
    {
        GlTest::SetUp();
        dir = makeTempDir("morlenth-shader");
        ASSERT_FALSE(dir.empty());
    }
    void TearDown() override
    {
        removeTree(dir);
        GlTest::TearDown();
    }

    // The path must outlive the Shader, which keeps the pointer.
    const char* file(const std::string& name, const std::string& text)
    {
        paths.push_back(dir + "/" + name);
        writeFile(paths.back(), text);
        return paths.back().c_str();
    }
    const char* missing(const std::string& name)
    {
        paths.push_back(dir + "/" + name);
        return paths.back().c_str();
    }

    static void expectNoNames(const Shader& shader)
    {
        EXPECT_EQ(Shader::kNone, shader.vertexShader);
        EXPECT_EQ(Shader::kNone, shader.fragmentShader);
        EXPECT_EQ(Shader::kNone, shader.geometryShader);
        EXPECT_EQ(Shader::kNone, shader.program);
    }

    // Exactly one message: an error in the video category.
    static std::string onlyMessage(const LogCapture& log)
    {
        EXPECT_EQ(1u, log.entries().size());
        if (log.entries().empty()) {
            return std::string();
        }
        EXPECT_EQ(SDL_LOG_CATEGORY_VIDEO, log.entries()[0].category);
        EXPECT_EQ(SDL_LOG_PRIORITY_ERROR, log.entries()[0].priority);
        return log.entries()[0].message;
    }

    static std::vector<uint8_t> drawAndRead(const Shader& shader, float r, float g, float b)
    {
        GLuint vao = 0;
        glGenVertexArrays(1, &vao);
        glBindVertexArray(vao);
        glUseProgram(shader.program);
        glUniform4f(glGetUniformLocation(shader.program, kColorUniform), r, g, b, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glDrawArrays(GL_TRIANGLES, 0, 3);
        glUseProgram(0);
        glBindVertexArray(0);
        glDeleteVertexArrays(1, &vao);
        return readPixels(kGlWindowWidth / 2, kGlWindowHeight / 2, 1, 1);
    }

    std::string dir;
    std::vector<std::string> paths;
};

TEST_F(ShaderTest, LoadsBothStagesAndKeepsThemAttached)
{
    const char* vert = file("a.vert", kVertex);
    const char* frag = file("a.frag", kFragment);
    Shader shader;
    LogCapture log;
    ASSERT_TRUE(shader.load(vert, frag, nullptr));
    EXPECT_TRUE(log.entries().empty());
    EXPECT_EQ(vert, shader.vertexPath);
    EXPECT_EQ(frag, shader.fragmentPath);
    EXPECT_EQ(nullptr, shader.geometryPath);
    EXPECT_TRUE(glIsShader(shader.vertexShader));
    EXPECT_TRUE(glIsShader(shader.fragmentShader));
    EXPECT_EQ(Shader::kNone, shader.geometryShader);
    EXPECT_TRUE(glIsProgram(shader.program));
    GLint linked = 0;
    glGetProgramiv(shader.program, GL_LINK_STATUS, &linked);
    EXPECT_EQ(GL_TRUE, linked);
    GLint attached = 0;
    glGetProgramiv(shader.program, GL_ATTACHED_SHADERS, &attached);
    EXPECT_EQ(2, attached);

    const std::vector<uint8_t> pixel = drawAndRead(shader, 1.0f, 0.5f, 0.0f);
    EXPECT_EQ((std::vector<uint8_t>{255, 128, 0, 255}), pixel);
    shader.release();
}

TEST_F(ShaderTest, GeometryStageIsBuiltAndAttached)
{
    Shader shader;
    ASSERT_TRUE(shader.load(file("g.vert", kVertex), file("g.frag", kFragmentAfterGeometry), file("g.geom", kGeometry)));
    EXPECT_TRUE(glIsShader(shader.geometryShader));
    GLint type = 0;
    glGetShaderiv(shader.geometryShader, GL_SHADER_TYPE, &type);
    EXPECT_EQ(GL_GEOMETRY_SHADER, type);
    GLint attached = 0;
    glGetProgramiv(shader.program, GL_ATTACHED_SHADERS, &attached);
    EXPECT_EQ(3, attached);
    EXPECT_EQ((std::vector<uint8_t>{0, 255, 0, 255}), drawAndRead(shader, 0.0f, 1.0f, 0.0f));
    shader.release();
}

TEST_F(ShaderTest, SourceWithoutFinalNewlineCompiles)
{
    std::string vertex = kVertex;
    while (!vertex.empty() && vertex.back() == '\n') {
        vertex.pop_back();
    }
    ASSERT_EQ('}', vertex.back());
    Shader shader;
    LogCapture log;
    ASSERT_TRUE(shader.load(file("n.vert", vertex), file("n.frag", kFragment), nullptr));
    EXPECT_TRUE(log.entries().empty());
    // The GL got exactly the file's bytes: its stored source is that plus its own terminator.
    GLint storedLength = 0;
    glGetShaderiv(shader.vertexShader, GL_SHADER_SOURCE_LENGTH, &storedLength);
    EXPECT_EQ(static_cast<GLint>(vertex.size()) + 1, storedLength);
    EXPECT_EQ((std::vector<uint8_t>{0, 0, 255, 255}), drawAndRead(shader, 0.0f, 0.0f, 1.0f));
    shader.release();
}

struct UnreadableCase {
    const char* label;
    bool vertexMissing;
    bool fragmentMissing;
    bool geometryMissing;
    const char* message;
};

TEST_F(ShaderTest, UnreadableFileGivesItsMessageAndNoGlObject)
{
    const UnreadableCase cases[] = {
        {"vertex", true, false, false, "Failed to read vertex shader source!\n"},
        {"vertex before fragment", true, true, false, "Failed to read vertex shader source!\n"},
        {"fragment", false, true, false, "Failed to read fragment shader source!\n"},
        {"geometry", false, false, true, "Failed to read geometry shader source!\n"},
    };
    for (const UnreadableCase& c : cases) {
        SCOPED_TRACE(c.label);
        const char* vert = c.vertexMissing ? missing("missing.vert") : file("ok.vert", kVertex);
        const char* frag = c.fragmentMissing ? missing("missing.frag") : file("ok.frag", kFragmentAfterGeometry);
        const char* geom = c.geometryMissing ? missing("missing.geom") : file("ok.geom", kGeometry);
        Shader shader;
        NameProbe probe;
        LogCapture log;
        EXPECT_FALSE(shader.load(vert, frag, geom));
        EXPECT_EQ(0u, probe.objectsMadeSince());
        EXPECT_EQ(deliveredLogText(c.message), onlyMessage(log));
        expectNoNames(shader);
    }
}

TEST_F(ShaderTest, NullPathIsRejectedBeforeAnything)
{
    const char* vert = file("p.vert", kVertex);
    const char* frag = file("p.frag", kFragment);
    const char* pairs[][2] = {{nullptr, frag}, {vert, nullptr}, {nullptr, nullptr}};
    for (const auto& pair : pairs) {
        Shader shader;
        NameProbe probe;
        LogCapture log;
        EXPECT_FALSE(shader.load(pair[0], pair[1], nullptr));
        EXPECT_EQ(0u, probe.objectsMadeSince());
        EXPECT_EQ("Invalid vertex or fragment source!", onlyMessage(log));
        expectNoNames(shader);
    }
}

struct BuildFailureCase {
    const char* label;
    const std::string* vertex;
    const std::string* fragment;
    const std::string* geometry;
    const char* prefix;
    GLuint objectsMade; // shader and program objects the build got to create
};

TEST_F(ShaderTest, BuildFailureLogsDriverTextAndStopsAtTheFailingStep)
{
    const BuildFailureCase cases[] = {
        // The fragment stage is never compiled: only the vertex shader object ever existed.
        {"vertex syntax", &kBrokenVertex, &kBrokenFragment, nullptr, "Failed to compile vertex shader: '", 1},
        {"fragment syntax", &kVertex, &kBrokenFragment, nullptr, "Failed to compile fragment shader: '", 2},
        {"geometry syntax", &kVertex, &kFragmentAfterGeometry, &kBrokenGeometry,
         "Failed to compile geometry shader: '", 3},
        {"mismatched stages", &kVertex, &kMismatchedFragment, nullptr, "Failed to link shader program: '", 3},
    };
    for (const BuildFailureCase& c : cases) {
        SCOPED_TRACE(c.label);
        const char* vert = file("b.vert", *c.vertex);
        const char* frag = file("b.frag", *c.fragment);
        const char* geom = c.geometry != nullptr ? file("b.geom", *c.geometry) : nullptr;
        Shader shader;
        NameProbe probe;
        LogCapture log;
        EXPECT_FALSE(shader.load(vert, frag, geom));
        const GLuint made = probe.objectsMadeSince();
        EXPECT_EQ(c.objectsMade, made);
        const std::string message = onlyMessage(log);
        const std::string prefix = c.prefix;
        ASSERT_GT(message.size(), prefix.size() + 1);
        EXPECT_EQ(prefix, message.substr(0, prefix.size()));
        EXPECT_EQ('\'', message.back());
        const std::string driverLog = message.substr(prefix.size(), message.size() - prefix.size() - 1);
        EXPECT_NE(std::string::npos, driverLog.find("error")) << driverLog;
        expectNoNames(shader);
        // Nothing of a failed build stays alive in the GL.
        EXPECT_EQ(0u, glGetError());
    }
}

TEST_F(ShaderTest, FailedLoadLeavesEarlierNamesAlone)
{
    Shader shader;
    ASSERT_TRUE(shader.load(file("e.vert", kVertex), file("e.frag", kFragment), nullptr));
    const Shader before = shader;
    LogCapture log;
    EXPECT_FALSE(shader.load(file("e2.vert", kBrokenVertex), file("e2.frag", kFragment), nullptr));
    EXPECT_EQ(before.vertexShader, shader.vertexShader);
    EXPECT_EQ(before.fragmentShader, shader.fragmentShader);
    EXPECT_EQ(before.geometryShader, shader.geometryShader);
    EXPECT_EQ(before.program, shader.program);
    EXPECT_TRUE(glIsProgram(shader.program));
    shader.release();
}

TEST_F(ShaderTest, ShaderWithoutProgramAnswersMinusOneWithoutGlCall)
{
    Shader neverLoaded;
    Shader failed;
    {
        LogCapture ignored;
        ASSERT_FALSE(failed.load(missing("none.vert"), missing("none.frag"), nullptr));
    }
    for (Shader* shader : {&neverLoaded, &failed}) {
        LogCapture log;
        EXPECT_EQ(-1, shader->getUniformLocation(kColorUniform));
        EXPECT_EQ(deliveredLogText("Tried to get a uniform location from a shader that is not compiled!\n"),
                  onlyMessage(log));
        // Asking the GL about program "none" would have raised GL_INVALID_VALUE.
        EXPECT_EQ(0u, glGetError());
    }
}

TEST_F(ShaderTest, InactiveUniformIsReportedEveryTimeWithNameAndProgram)
{
    Shader shader;
    ASSERT_TRUE(shader.load(file("u.vert", kVertex), file("u.frag", kFragment), nullptr));
    LogCapture log;
    EXPECT_EQ(glGetUniformLocation(shader.program, kColorUniform), shader.getUniformLocation(kColorUniform));
    EXPECT_GE(shader.getUniformLocation(kColorUniform), 0);
    EXPECT_TRUE(log.entries().empty());

    // Declared but removed by the compiler, and never declared at all.
    for (const char* name : {kUnusedUniform, "uNowhere"}) {
        log.clear();
        EXPECT_EQ(-1, shader.getUniformLocation(name));
        EXPECT_EQ(-1, shader.getUniformLocation(name));
        const std::string expected = "Got Invalid Uniform Location For Uniform '" + std::string(name) +
                                     "' From Shader With ID '" + std::to_string(shader.program) + "'!\n";
        EXPECT_EQ(2, log.count(expected)) << name;
        EXPECT_EQ(2u, log.entries().size());
        EXPECT_EQ(SDL_LOG_CATEGORY_VIDEO, log.entries()[0].category);
    }
    shader.release();
}

// Locations are remembered per program: after a release and a new load the
// Shader answers for the new program, never with what the old one had.
TEST_F(ShaderTest, UniformLocationsAreThoseOfTheProgramNowLoaded)
{
    const std::string onlyUnused = R"(#version 330 core
in vec2 vPosition;
uniform vec4 uPadding;
uniform float uUnused;
out vec4 fragColor;
void main() { fragColor = uPadding + vec4(vPosition, uUnused, 1.0); }
)";
    Shader shader;
    ASSERT_TRUE(shader.load(file("a.vert", kVertex), file("a.frag", kFragment), nullptr));
    EXPECT_GE(shader.getUniformLocation(kColorUniform), 0);
    {
        LogCapture ignored;
        EXPECT_EQ(-1, shader.getUniformLocation(kUnusedUniform));
    }
    shader.release();

    ASSERT_TRUE(shader.load(file("b.vert", kVertex), file("b.frag", onlyUnused), nullptr));
    LogCapture log;
    EXPECT_EQ(glGetUniformLocation(shader.program, kUnusedUniform), shader.getUniformLocation(kUnusedUniform));
    EXPECT_GE(shader.getUniformLocation(kUnusedUniform), 0);
    EXPECT_EQ(-1, shader.getUniformLocation(kColorUniform));
    EXPECT_EQ(1, log.count("Got Invalid Uniform Location For Uniform 'uColor' From Shader With ID '" +
                           std::to_string(shader.program) + "'!\n"));
    EXPECT_EQ(1u, log.entries().size());
    shader.release();
}

struct ReleaseCase {
    const char* label;
    bool withGeometry;
};

TEST_F(ShaderTest, ReleaseDetachesAndDeletesEveryStage)
{
    for (const ReleaseCase& c : {ReleaseCase{"two stages", false}, ReleaseCase{"three stages", true}}) {
        SCOPED_TRACE(c.label);
        Shader shader;
        ASSERT_TRUE(shader.load(file("r.vert", kVertex), file("r.frag", c.withGeometry ? kFragmentAfterGeometry : kFragment),
                                c.withGeometry ? file("r.geom", kGeometry) : nullptr));
        const Shader loaded = shader;
        // In use, the program outlives its deletion, so what release did to it stays visible.
        glUseProgram(shader.program);
        shader.release();

        GLint deleteStatus = GL_FALSE;
        glGetProgramiv(loaded.program, GL_DELETE_STATUS, &deleteStatus);
        EXPECT_EQ(GL_TRUE, deleteStatus);
        GLsizei attached = -1;
        GLuint names[4] = {0, 0, 0, 0};
        glGetAttachedShaders(loaded.program, 4, &attached, names);
        EXPECT_EQ(0, attached);
        // Detached and deleted, the shader objects are gone at once.
        EXPECT_FALSE(glIsShader(loaded.vertexShader));
        EXPECT_FALSE(glIsShader(loaded.fragmentShader));
        if (c.withGeometry) {
            EXPECT_FALSE(glIsShader(loaded.geometryShader));
        }
        glUseProgram(0);
        EXPECT_FALSE(glIsProgram(loaded.program));
        EXPECT_EQ(loaded.program, shader.program);
    }
}

TEST_F(ShaderTest, ReleasingAShaderWithoutProgramTouchesNothing)
{
    Shader shader;
    shader.release();
    EXPECT_EQ(0u, glGetError());
    expectNoNames(shader);
}

}
