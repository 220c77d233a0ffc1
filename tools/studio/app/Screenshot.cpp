#include "app/Screenshot.h"

#include "engine/GlCheck.h"

#include <GL/glew.h>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include <cstdint>
#include <filesystem>
#include <vector>

namespace {

constexpr int kChannels = 3;

}

bool saveWindowPng(const std::string& path, int width, int height, std::string& error)
{
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * kChannels);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    checkGlError();
    std::filesystem::path parent = std::filesystem::path(path).parent_path();
    std::error_code ignored;
    if (!parent.empty()) {
        std::filesystem::create_directories(parent, ignored);
    }
    // The GL reads rows bottom-up; the file wants them top-down.
    stbi_flip_vertically_on_write(1);
    if (stbi_write_png(path.c_str(), width, height, kChannels, pixels.data(), width * kChannels) == 0) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}
