#include "render/Texture.h"

#include "render/ReadWholeFile.h"

#include <stb_image.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr int kBytesPerPixel = 4;
constexpr int kCrossColumns = 3;
constexpr int kCrossRows = 4;
constexpr int kCubeFaces = 6;

// Where each cube face lies in the cross image, in face units; the last one (-Z)
// is stored upside down and is turned half a turn while it is copied out.
struct CrossBlock {
    int column;
    int row;
    bool halfTurn;
};
constexpr CrossBlock kCrossBlocks[kCubeFaces] = {
    {2, 1, false}, // +X
    {0, 1, false}, // -X
    {1, 0, false}, // +Y
    {1, 2, false}, // -Y
    {1, 1, false}, // +Z
    {1, 3, true},  // -Z
};

bool isDepthFormat(GLenum internalFormat)
{
    return internalFormat == GL_DEPTH_COMPONENT16 || internalFormat == GL_DEPTH_COMPONENT24 ||
           internalFormat == GL_DEPTH_COMPONENT32;
}

bool isUsableCross(int width, int height)
{
    const int faceWidth = width / kCrossColumns;
    return faceWidth > 0 && faceWidth == height / kCrossRows;
}

void copyFace(const uint8_t* image, int imageWidth, int faceWidth, int faceHeight, const CrossBlock& block,
              uint8_t* face)
{
    const size_t imageRowBytes = static_cast<size_t>(imageWidth) * kBytesPerPixel;
    const size_t faceRowBytes = static_cast<size_t>(faceWidth) * kBytesPerPixel;
    const int left = block.column * faceWidth;
    const int top = block.row * faceHeight;
    for (int y = 0; y < faceHeight; ++y) {
        uint8_t* out = face + y * faceRowBytes;
        if (!block.halfTurn) {
            std::memcpy(out, image + (top + y) * imageRowBytes + left * kBytesPerPixel, faceRowBytes);
            continue;
        }
        const uint8_t* in = image + (top + faceHeight - 1 - y) * imageRowBytes;
        for (int x = 0; x < faceWidth; ++x) {
            std::memcpy(out + x * kBytesPerPixel, in + (left + faceWidth - 1 - x) * kBytesPerPixel, kBytesPerPixel);
        }
    }
}

void uploadPlain(int width, int height, GLenum internalFormat, const void* pixels, int samples)
{
    if (samples > 0) {
        glTexImage2DMultisample(GL_TEXTURE_2D_MULTISAMPLE, samples, internalFormat, width, height, GL_FALSE);
        return;
    }
    const GLenum pixelFormat = isDepthFormat(internalFormat) ? GL_DEPTH_COMPONENT : GL_RGBA;
    glTexImage2D(GL_TEXTURE_2D, 0, internalFormat, width, height, 0, pixelFormat, GL_UNSIGNED_BYTE, pixels);
    // Colour textures, empty ones included, get a full chain and trilinear minification;
    // depth textures keep the GL defaults.
    if (pixelFormat == GL_RGBA) {
        glGenerateMipmap(GL_TEXTURE_2D);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    }
}

// The cross is three faces wide and four tall; leftover columns and rows are ignored.
void uploadCross(int width, int height, GLenum internalFormat, const void* pixels)
{
    const int faceWidth = width / kCrossColumns;
    const int faceHeight = height / kCrossRows;
    std::vector<uint8_t> face(static_cast<size_t>(faceWidth) * faceHeight * kBytesPerPixel);
    for (int f = 0; f < kCubeFaces; ++f) {
        // Storage-only cube maps have nothing to cut out.
        const void* facePixels = nullptr;
        if (pixels != nullptr) {
            copyFace(static_cast<const uint8_t*>(pixels), width, faceWidth, faceHeight, kCrossBlocks[f], face.data());
            facePixels = face.data();
        }
        glTexImage2D(GL_TEXTURE_CUBE_MAP_POSITIVE_X + f, 0, internalFormat, faceWidth, faceHeight, 0, GL_RGBA,
                     GL_UNSIGNED_BYTE, facePixels);
    }
    glGenerateMipmap(GL_TEXTURE_CUBE_MAP);
}

}

bool Texture::create(int width, int height, const void* pixels, GLenum internalFormat, bool cubeMap, int samples)
{
    this->width = width;
    this->height = height;
    this->internalFormat = internalFormat;
    this->cubeMap = cubeMap;
    upload(width, height, internalFormat, pixels, samples);
    return true;
}

bool Texture::loadFromFile(const char* path, bool cubeMap)
{
    int32_t length = 0;
    unsigned char* bytes = readWholeFile(path, &length);
    if (bytes == nullptr) {
        return false;
    }
    int w = 0;
    int h = 0;
    int channelsInFile = 0;
    // Four components requested: every image becomes 8-bit RGBA, top row first.
    stbi_uc* pixels = stbi_load_from_memory(bytes, length, &w, &h, &channelsInFile, kBytesPerPixel);
    delete[] bytes;
    // A file that is not an image fails like a missing one, so the caller's message runs;
    // so does a cross the GL cannot take, as cube faces must be square and not empty.
    if (pixels == nullptr) {
        return false;
    }
    if (cubeMap && !isUsableCross(w, h)) {
        stbi_image_free(pixels);
        return false;
    }
    this->cubeMap = cubeMap;
    width = w;
    height = h;
    internalFormat = GL_RGBA;
    upload(w, h, GL_RGBA, pixels, 0);
    stbi_image_free(pixels);
    return true;
}

void Texture::upload(int width, int height, GLenum internalFormat, const void* pixels, int samples)
{
    glGenTextures(1, &id);
    if (cubeMap) {
        glBindTexture(GL_TEXTURE_CUBE_MAP, id);
        uploadCross(width, height, internalFormat, pixels);
        glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
        return;
    }
    const GLenum target = samples > 0 ? GL_TEXTURE_2D_MULTISAMPLE : GL_TEXTURE_2D;
    glBindTexture(target, id);
    uploadPlain(width, height, internalFormat, pixels, samples);
    glBindTexture(target, 0);
}

void Texture::release()
{
    glDeleteTextures(1, &id);
}
