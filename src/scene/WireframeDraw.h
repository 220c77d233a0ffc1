#pragma once

#include "render/Shader.h"

#include <GL/glew.h>
#include <glm/mat4x4.hpp>
#include <glm/vec4.hpp>

class Scene;

// The uniforms every wireframe program accepts.
constexpr const char* kProjectionMatrixUniform = "uProjectionMatrix";
constexpr const char* kViewMatrixUniform = "uViewMatrix";
constexpr const char* kModelMatrixUniform = "uModelMatrix";
constexpr const char* kDiffuseUniform = "uDiffuse";

// GLM's rotations take radians; every angle of the system is in degrees.
constexpr float kDegreesToRadians = 0.017453292f;

constexpr const char* kWireframeVertexPath = "res/shaders/Wireframe.vert";
constexpr const char* kWireframeFragmentPath = "res/shaders/Wireframe.frag";

// Makes the vertex array (left bound), then a vertex and an element buffer
// holding the static line geometry. No attribute layout is recorded: every
// draw sets it again, since the post processor reuses whatever array is bound.
void createLineBuffers(GLuint& vao, GLuint& vbo, GLuint& ibo, const void* vertices, GLsizeiptr vertexBytes,
                       const void* indices, GLsizeiptr indexBytes);

// Binds the vertex array and the program, checked once for the pair.
void useArrayAndProgram(GLuint vao, GLuint program);

// Binds both buffers and points attribute 0 at tightly packed float triples.
void bindLineBuffers(GLuint vbo, GLuint ibo);

void setMatrixUniform(Shader& shader, const char* name, const glm::mat4& matrix);
void setColorUniform(Shader& shader, const char* name, const glm::vec4& color);

// The scene's projection, then its view.
void setCameraUniforms(Shader& shader, const Scene& scene);

void drawLines(GLsizei indexCount);

// Deletes the buffers, then the vertex array, skipping names never made.
void deleteLineBuffers(GLuint vbo, GLuint ibo, GLuint vao);
