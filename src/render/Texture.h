#pragma once

#include <GL/glew.h>

// One GL texture: from an image file, or empty storage for a frame buffer.
class Texture {
public:
    bool create(int width, int height, const void* pixels, GLenum internalFormat, bool cubeMap, int samples);
    bool loadFromFile(const char* path, bool cubeMap);
    void upload(int width, int height, GLenum internalFormat, const void* pixels, int samples);
    void release();

    GLuint id = 0;
    GLenum internalFormat = 0;
    int width = 0;
    int height = 0;
    bool cubeMap = false;
};
