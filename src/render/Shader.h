#pragma once

#include <GL/glew.h>

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
};
