#include "scene/WireframeDraw.h"

#include "engine/GlCheck.h"
#include "scene/Scene.h"

#include <glm/gtc/type_ptr.hpp>

namespace {

void createBuffer(GLenum target, GLuint& buffer, const void* data, GLsizeiptr bytes)
{
    glGenBuffers(1, &buffer);
    checkGlError();
    glBindBuffer(target, buffer);
    checkGlError();
    glBufferData(target, bytes, data, GL_STATIC_DRAW);
    checkGlError();
}

void deleteBuffer(GLuint buffer)
{
    if (buffer != 0) {
        glDeleteBuffers(1, &buffer);
        checkGlError();
    }
}

}

void createLineBuffers(GLuint& vao, GLuint& vbo, GLuint& ibo, const void* vertices, GLsizeiptr vertexBytes,
                       const void* indices, GLsizeiptr indexBytes)
{
    glGenVertexArrays(1, &vao);
    checkGlError();
    glBindVertexArray(vao);
    checkGlError();
    createBuffer(GL_ARRAY_BUFFER, vbo, vertices, vertexBytes);
    createBuffer(GL_ELEMENT_ARRAY_BUFFER, ibo, indices, indexBytes);
}

void useArrayAndProgram(GLuint vao, GLuint program)
{
    glBindVertexArray(vao);
    glUseProgram(program);
    checkGlError();
}

void bindLineBuffers(GLuint vbo, GLuint ibo)
{
    glBindBuffer(GL_ARRAY_BUFFER, vbo);
    checkGlError();
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, ibo);
    checkGlError();
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 0, nullptr);
    checkGlError();
    glEnableVertexAttribArray(0);
    checkGlError();
}

void setMatrixUniform(Shader& shader, const char* name, const glm::mat4& matrix)
{
    glUniformMatrix4fv(shader.getUniformLocation(name), 1, GL_FALSE, glm::value_ptr(matrix));
    checkGlError();
}

void setColorUniform(Shader& shader, const char* name, const glm::vec4& color)
{
    glUniform4fv(shader.getUniformLocation(name), 1, glm::value_ptr(color));
    checkGlError();
}

void setCameraUniforms(Shader& shader, const Scene& scene)
{
    setMatrixUniform(shader, kProjectionMatrixUniform, scene.projectionMatrix);
    setMatrixUniform(shader, kViewMatrixUniform, scene.viewMatrix);
}

void drawLines(GLsizei indexCount)
{
    glDrawElements(GL_LINES, indexCount, GL_UNSIGNED_INT, nullptr);
    checkGlError();
}

void deleteLineBuffers(GLuint vbo, GLuint ibo, GLuint vao)
{
    deleteBuffer(vbo);
    deleteBuffer(ibo);
    if (vao != 0) {
        glDeleteVertexArrays(1, &vao);
        checkGlError();
    }
}
