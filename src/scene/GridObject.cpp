#include "scene/GridObject.h"

#include "engine/Engine.h"
#include "engine/GlCheck.h"
#include "scene/WireframeDraw.h"

#include <SDL.h>
#include <glm/gtc/type_ptr.hpp>

namespace {

constexpr const char* kGridVisible = "Grid.Visible";
constexpr const char* kGridNoise1 = "Grid.Noise1";
constexpr const char* kGridNoise2 = "Grid.Noise2";
constexpr const char* kGridNoise3 = "Grid.Noise3";
constexpr const char* kGridNoise4 = "Grid.Noise4";
constexpr const char* kGridNoiseMagnitude = "Grid.NoiseMagnitude";
constexpr const char* kGridNoiseScrollX = "Grid.NoiseScrollX";
constexpr const char* kGridNoiseScrollY = "Grid.NoiseScrollY";
constexpr const char* kGridCenterGravity = "Grid.CenterGravity";

constexpr const char* kNoiseTexSamplerUniform = "uNoiseTexSampler";
constexpr const char* kNoiseBiasUniform = "uNoiseBias";
constexpr const char* kNoiseMagnitudeUniform = "uNoiseMagnitude";
constexpr const char* kNoiseScrollUniform = "uNoiseScroll";
constexpr const char* kCenterGravityUniform = "uCenterGravity";

constexpr const char* kGridVertexPath = "res/shaders/WireframeGrid.vert";
constexpr const char* kNoiseImagePath = "res/textures/smoothNoise.png";
constexpr GLint kNoiseTextureUnit = 0;
constexpr unsigned kIndicesPerCell = 8;
constexpr glm::vec4 kGridColor(0.09f, 0.79f, 0.9f, 1.0f);

}

std::vector<float> GridObject::buildVertices(unsigned cellCount, float spacing)
{
    float half = static_cast<float>(cellCount) * spacing * 0.5f;
    std::vector<float> vertices;
    vertices.reserve(static_cast<size_t>(cellCount + 1) * (cellCount + 1) * 3);
    for (unsigned i = 0; i <= cellCount; ++i) {
        for (unsigned j = 0; j <= cellCount; ++j) {
            vertices.push_back(static_cast<float>(j) * spacing - half);
            vertices.push_back(0.0f);
            vertices.push_back(static_cast<float>(i) * spacing - half);
        }
    }
    return vertices;
}

std::vector<GLuint> GridObject::buildIndices(unsigned cellCount)
{
    std::vector<GLuint> indices;
    indices.reserve(static_cast<size_t>(cellCount) * cellCount * kIndicesPerCell);
    unsigned rowLength = cellCount + 1;
    for (unsigned i = 0; i < cellCount; ++i) {
        for (unsigned j = 0; j < cellCount; ++j) {
            GLuint p00 = i * rowLength + j;
            GLuint p01 = p00 + 1;
            GLuint p10 = p00 + rowLength;
            GLuint p11 = p10 + 1;
            // Shared edges are drawn twice; the lattice is small enough not to care.
            for (GLuint index : {p00, p01, p00, p10, p11, p10, p11, p01}) {
                indices.push_back(index);
            }
        }
    }
    return indices;
}

bool GridObject::init(Scene* owner)
{
    scene = owner;
    {
        std::vector<float> vertices = buildVertices(cellCount, spacing);
        std::vector<GLuint> indices = buildIndices(cellCount);
        createLineBuffers(vao, vbo, ibo, vertices.data(), static_cast<GLsizeiptr>(vertices.size() * sizeof(float)),
                          indices.data(), static_cast<GLsizeiptr>(indices.size() * sizeof(GLuint)));
    }
    if (!shader.load(kGridVertexPath, kWireframeFragmentPath, nullptr)) {
        SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "Failed to initialize wireframe shader!");
        return false;
    }
    if (!noiseTexture.loadFromFile(kNoiseImagePath, false)) {
        SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "Failed to initialize smoothNoise.png!");
        return false;
    }
    createNoiseSampler();
    return true;
}

void GridObject::createNoiseSampler()
{
    glGenSamplers(1, &noiseSampler);
    checkGlError();
    glSamplerParameteri(noiseSampler, GL_TEXTURE_WRAP_S, GL_REPEAT);
    checkGlError();
    glSamplerParameteri(noiseSampler, GL_TEXTURE_WRAP_T, GL_REPEAT);
    checkGlError();
    glSamplerParameteri(noiseSampler, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    checkGlError();
    glSamplerParameteri(noiseSampler, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    checkGlError();
    GLfloat maxAnisotropy = 0.0f;
    glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &maxAnisotropy);
    checkGlError();
    glSamplerParameterf(noiseSampler, GL_TEXTURE_MAX_ANISOTROPY_EXT, maxAnisotropy);
    checkGlError();
}

void GridObject::render(float)
{
    if (!Engine::instance->syncDevice.getBool(kGridVisible)) {
        return;
    }
    glBindVertexArray(vao);
    checkGlError();
    glUseProgram(shader.program);
    checkGlError();
    // A texture that failed to load leaves name 0 (and no sampler): the grid
    // still draws, but texture 0 reads as (0, 0, 0, 1), which lifts or lowers
    // the whole floor by the octaves' weights instead of leaving it flat.
    glActiveTexture(GL_TEXTURE0 + kNoiseTextureUnit);
    checkGlError();
    glBindTexture(GL_TEXTURE_2D, noiseTexture.id);
    checkGlError();
    glBindSampler(kNoiseTextureUnit, noiseSampler);
    checkGlError();
    setNoiseUniforms();
    bindLineBuffers(vbo, ibo);
    setCameraUniforms(shader, *scene);
    setMatrixUniform(shader, kModelMatrixUniform, glm::mat4(1.0f));
    setColorUniform(shader, kDiffuseUniform, kGridColor);
    drawLines(static_cast<GLsizei>(cellCount * cellCount * kIndicesPerCell));
}

void GridObject::setNoiseUniforms()
{
    SyncDevice& sync = Engine::instance->syncDevice;
    glUniform1i(shader.getUniformLocation(kNoiseTexSamplerUniform), kNoiseTextureUnit);
    checkGlError();
    glm::vec4 bias;
    bias.w = sync.getFloat(kGridNoise4);
    bias.z = sync.getFloat(kGridNoise3);
    bias.y = sync.getFloat(kGridNoise2);
    bias.x = sync.getFloat(kGridNoise1);
    glUniform4fv(shader.getUniformLocation(kNoiseBiasUniform), 1, glm::value_ptr(bias));
    checkGlError();
    glUniform1f(shader.getUniformLocation(kNoiseMagnitudeUniform), sync.getFloat(kGridNoiseMagnitude));
    checkGlError();
    glm::vec2 scroll;
    scroll.y = sync.getFloat(kGridNoiseScrollY);
    scroll.x = sync.getFloat(kGridNoiseScrollX);
    glUniform2fv(shader.getUniformLocation(kNoiseScrollUniform), 1, glm::value_ptr(scroll));
    checkGlError();
    glUniform1f(shader.getUniformLocation(kCenterGravityUniform), sync.getFloat(kGridCenterGravity));
    checkGlError();
}

void GridObject::release()
{
    if (noiseSampler != 0) {
        glDeleteSamplers(1, &noiseSampler);
        checkGlError();
    }
    noiseTexture.release();
    shader.release();
    deleteLineBuffers(vbo, ibo, vao);
}
