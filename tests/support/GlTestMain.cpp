#include "GlTestContext.h"

#include <cstdio>

namespace testing_support {

namespace {

SDL_Window* window = nullptr;
SDL_GLContext context = nullptr;

bool isCubeFace(GLenum target)
{
    return target >= GL_TEXTURE_CUBE_MAP_POSITIVE_X && target <= GL_TEXTURE_CUBE_MAP_NEGATIVE_Z;
}

// Reads a texture level of any size in the given pixel type; the element count
// per pixel is always four (RGBA).
template <typename Element>
std::vector<Element> readTexture(GLuint texture, GLenum target, int level, GLenum type)
{
    const GLenum binding = isCubeFace(target) ? GL_TEXTURE_CUBE_MAP : target;
    glBindTexture(binding, texture);
    GLint width = 0;
    GLint height = 0;
    glGetTexLevelParameteriv(target, level, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(target, level, GL_TEXTURE_HEIGHT, &height);
    std::vector<Element> pixels(static_cast<size_t>(width) * height * 4);
    GLint alignment = 4;
    glGetIntegerv(GL_PACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    if (!pixels.empty()) {
        glGetTexImage(target, level, GL_RGBA, type, pixels.data());
    }
    glPixelStorei(GL_PACK_ALIGNMENT, alignment);
    glBindTexture(binding, 0);
    return pixels;
}

}

SDL_Window* glTestWindow() { return window; }

std::vector<uint8_t> readPixels(int x, int y, int width, int height)
{
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
    GLint alignment = 4;
    glGetIntegerv(GL_PACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    glPixelStorei(GL_PACK_ALIGNMENT, alignment);
    return pixels;
}

std::vector<uint8_t> readTextureRgba8(GLuint texture, GLenum target, int level)
{
    return readTexture<uint8_t>(texture, target, level, GL_UNSIGNED_BYTE);
}

std::vector<float> readTextureRgbaFloat(GLuint texture, GLenum target, int level)
{
    return readTexture<float>(texture, target, level, GL_FLOAT);
}

std::vector<GLenum> takeGlErrors()
{
    std::vector<GLenum> codes;
    // Bounded: a lost context can report an error on every call.
    for (int i = 0; i < 64; ++i) {
        const GLenum code = glGetError();
        if (code == GL_NO_ERROR) {
            break;
        }
        codes.push_back(code);
    }
    return codes;
}

void resetGlState()
{
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, kGlWindowWidth, kGlWindowHeight);
    glUseProgram(0);
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, 0);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_BLEND);
    glDisable(GL_SCISSOR_TEST);
    takeGlErrors();
}

void GlTest::SetUp()
{
    resetGlState();
}

void GlTest::TearDown()
{
    const std::vector<GLenum> codes = takeGlErrors();
    EXPECT_TRUE(codes.empty()) << "GL error left behind, first: 0x" << std::hex << (codes.empty() ? 0 : codes[0]);
}

namespace {

bool createContext()
{
    // The X display of the test and nothing else (see runProcess).
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "SDL_Init failed: %s\n", SDL_GetError());
        return false;
    }
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    // Hidden is enough: Mesa under Xvfb reads the window's back buffer back even
    // when the window is not mapped.
    window = SDL_CreateWindow("gl-tests", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, kGlWindowWidth,
                              kGlWindowHeight, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (window == nullptr) {
        std::fprintf(stderr, "SDL_CreateWindow failed: %s\n", SDL_GetError());
        return false;
    }
    context = SDL_GL_CreateContext(window);
    if (context == nullptr) {
        std::fprintf(stderr, "SDL_GL_CreateContext failed: %s\n", SDL_GetError());
        return false;
    }
    glewExperimental = GL_TRUE;
    if (glewInit() != GLEW_OK) {
        std::fprintf(stderr, "glewInit failed\n");
        return false;
    }
    // glewInit may leave GL_INVALID_ENUM behind on core profiles.
    takeGlErrors();
    return true;
}

class GlEnvironment : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_TRUE(createContext()) << "no GL context: run the GL tests under Xvfb"; }
    void TearDown() override
    {
        if (context != nullptr) {
            SDL_GL_DeleteContext(context);
            context = nullptr;
        }
        if (window != nullptr) {
            SDL_DestroyWindow(window);
            window = nullptr;
        }
        SDL_Quit();
    }
};

}

}

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new testing_support::GlEnvironment());
    return RUN_ALL_TESTS();
}
