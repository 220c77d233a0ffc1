#pragma once

#include <GL/glew.h>

#include <string>
#include <vector>

// A uniform's location as the GL gave it for the program.
struct UniformLocation {
    std::string name;
    GLint location = -1;
};

// One GLSL program built from source files. A name with all bits set is none.
class Shader {
public:
    static constexpr GLuint kNone = 0xFFFFFFFFu;

    bool load(const char* vertexPath, const char* fragmentPath, const char* geometryPath);
    GLint getUniformLocation(const char* name);
    void release();

    GLuint vertexShader = kNone;
    GLuint fragmentShader = kNone;
    GLuint geometryShader = kNone;
    GLuint program = kNone;
    const char* vertexPath = nullptr;
    const char* fragmentPath = nullptr;
    const char* geometryPath = nullptr;
    // Locations asked for since the program was linked; a program has a handful.
    std::vector<UniformLocation> uniformLocations;

private:
    GLint cachedUniformLocation(const char* name);
};
