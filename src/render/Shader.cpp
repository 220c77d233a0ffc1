#include "render/Shader.h"

#include "render/ReadWholeFile.h"

#include <SDL.h>

#include <memory>
#include <string>
#include <vector>

namespace {

struct SourceFile {
    std::unique_ptr<unsigned char[]> bytes;
    int32_t length = 0;
};

bool readSource(const char* path, SourceFile& source)
{
    source.bytes.reset(readWholeFile(path, &source.length));
    return source.bytes != nullptr;
}

// Shader and program logs are read the same way; only the entry points differ.
// A driver that reports no length (or a bogus one) gets an empty text rather
// than a read into a buffer of non-positive size.
std::string readInfoLog(GLuint object, PFNGLGETSHADERIVPROC getParameter, PFNGLGETSHADERINFOLOGPROC getLog)
{
    GLint size = -1;
    getParameter(object, GL_INFO_LOG_LENGTH, &size);
    if (size <= 0) {
        return std::string();
    }
    std::vector<char> buffer(static_cast<size_t>(size), '\0');
    GLsizei written = 0;
    getLog(object, size, &written, buffer.data());
    if (written < 0 || written >= size) {
        written = size - 1;
    }
    return std::string(buffer.data(), static_cast<size_t>(written));
}

// Returns the compiled shader, or none after logging the driver's complaint.
GLuint compileStage(GLenum type, const SourceFile& source, const char* failureFormat)
{
    const GLuint shader = glCreateShader(type);
    // The explicit length lets a source file end without a newline or NUL.
    const GLchar* text = reinterpret_cast<const GLchar*>(source.bytes.get());
    const GLint length = source.length;
    glShaderSource(shader, 1, &text, &length);
    glCompileShader(shader);
    GLint status = -1;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
    if (status != 0) {
        return shader;
    }
    const std::string log = readInfoLog(shader, glGetShaderiv, glGetShaderInfoLog);
    SDL_LogError(SDL_LOG_CATEGORY_VIDEO, failureFormat, log.c_str());
    glDeleteShader(shader);
    return Shader::kNone;
}

struct StageNames {
    GLuint vertex = Shader::kNone;
    GLuint fragment = Shader::kNone;
    GLuint geometry = Shader::kNone;
    GLuint program = Shader::kNone;

    // A failed build leaves nothing behind in the GL.
    void deleteAll()
    {
        for (GLuint shader : {vertex, fragment, geometry}) {
            if (shader != Shader::kNone) {
                glDeleteShader(shader);
            }
        }
        if (program != Shader::kNone) {
            glDeleteProgram(program);
        }
    }
};

bool linkProgram(StageNames& names)
{
    names.program = glCreateProgram();
    glAttachShader(names.program, names.vertex);
    if (names.geometry != Shader::kNone) {
        glAttachShader(names.program, names.geometry);
    }
    glAttachShader(names.program, names.fragment);
    glLinkProgram(names.program);
    GLint status = -1;
    glGetProgramiv(names.program, GL_LINK_STATUS, &status);
    if (status != 0) {
        return true;
    }
    const std::string log = readInfoLog(names.program, glGetProgramiv, glGetProgramInfoLog);
    SDL_LogError(SDL_LOG_CATEGORY_VIDEO, "Failed to link shader program: '%s'\n", log.c_str());
    return false;
}

// Every file is read before the first GL call, so a missing file creates no GL object.
bool build(const char* vertexPath, const char* fragmentPath, const char* geometryPath, StageNames& names)
{
    SourceFile vertexSource;
    SourceFile fragmentSource;
    SourceFile geometrySource;
    if (!readSource(vertexPath, vertexSource)) {
        SDL_LogError(SDL_LOG_CATEGORY_VIDEO, "Failed to read vertex shader source!\n");
        return false;
    }
    if (!readSource(fragmentPath, fragmentSource)) {
        SDL_LogError(SDL_LOG_CATEGORY_VIDEO, "Failed to read fragment shader source!\n");
        return false;
    }
    if (geometryPath != nullptr && !readSource(geometryPath, geometrySource)) {
        SDL_LogError(SDL_LOG_CATEGORY_VIDEO, "Failed to read geometry shader source!\n");
        return false;
    }

    names.vertex = compileStage(GL_VERTEX_SHADER, vertexSource, "Failed to compile vertex shader: '%s'\n");
    if (names.vertex == Shader::kNone) {
        return false;
    }
    names.fragment = compileStage(GL_FRAGMENT_SHADER, fragmentSource, "Failed to compile fragment shader: '%s'\n");
    if (names.fragment == Shader::kNone) {
        return false;
    }
    if (geometryPath != nullptr) {
        names.geometry =
            compileStage(GL_GEOMETRY_SHADER, geometrySource, "Failed to compile geometry shader: '%s'\n");
        if (names.geometry == Shader::kNone) {
            return false;
        }
    }
    return linkProgram(names);
}

}

bool Shader::load(const char* vertexPath, const char* fragmentPath, const char* geometryPath)
{
    if (vertexPath == nullptr || fragmentPath == nullptr) {
        SDL_LogError(SDL_LOG_CATEGORY_VIDEO, "Invalid vertex or fragment source!");
        return false;
    }
    this->vertexPath = vertexPath;
    this->fragmentPath = fragmentPath;
    this->geometryPath = geometryPath;

    StageNames names;
    if (!build(vertexPath, fragmentPath, geometryPath, names)) {
        names.deleteAll();
        return false;
    }
    vertexShader = names.vertex;
    fragmentShader = names.fragment;
    geometryShader = names.geometry;
    program = names.program;
    return true;
}

GLint Shader::getUniformLocation(const char* name)
{
    if (program == kNone) {
        SDL_LogError(SDL_LOG_CATEGORY_VIDEO, "Tried to get a uniform location from a shader that is not compiled!\n");
        return -1;
    }
    const GLint location = glGetUniformLocation(program, name);
    if (location == -1) {
        SDL_LogError(SDL_LOG_CATEGORY_VIDEO, "Got Invalid Uniform Location For Uniform '%s' From Shader With ID '%i'!\n",
                     name, static_cast<int>(program));
    }
    return location;
}

void Shader::release()
{
    // A Shader whose load failed owns nothing; detaching none would only raise GL errors.
    if (program == kNone) {
        return;
    }
    glDetachShader(program, vertexShader);
    glDeleteShader(vertexShader);
    if (geometryShader != kNone) {
        glDetachShader(program, geometryShader);
        glDeleteShader(geometryShader);
    }
    glDetachShader(program, fragmentShader);
    glDeleteShader(fragmentShader);
    glDeleteProgram(program);
}
