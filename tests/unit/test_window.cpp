#include "engine/Window.h"

#include "GlTestContext.h"

#include <SDL.h>
#include <gtest/gtest.h>

namespace {

// An invalid size or sample count must fail before SDL is touched at all: SDL
// reports calls into an uninitialised video subsystem as errors through the log,
// so an empty capture also shows that nothing reached SDL.
TEST(Window, InvalidSettingsFailSilentlyBeforeSdl)
{
    struct Case {
        int width;
        int height;
        int samples;
        bool fullscreen;
    };
    const Case cases[] = {
        {0, 720, 4, false},   {1280, 0, 4, false},  {-1, 720, 4, false}, {1280, -1, 4, false},
        {1280, 720, -1, false}, {-1, -1, -1, false}, {0, 720, 4, true},   {1280, 720, -1, true},
    };
    for (const Case& testCase : cases) {
        SCOPED_TRACE(::testing::Message() << testCase.width << "x" << testCase.height << ", " << testCase.samples
                                          << " samples" << (testCase.fullscreen ? ", fullscreen" : ""));
        testing_support::LogCapture log;
        Window window;
        EXPECT_FALSE(window.create("Tessivar - Morlenth", testCase.width, testCase.height, testCase.samples,
                                   testCase.fullscreen));
        EXPECT_EQ(log.lines(), std::vector<std::string>());
        EXPECT_EQ(window.sdlWindow, nullptr);
        EXPECT_EQ(window.glContext, nullptr);
        EXPECT_EQ(window.title, "");
        EXPECT_EQ(window.width, 0);
        EXPECT_EQ(window.height, 0);
        EXPECT_EQ(window.msaaSamples, 0);
    }
    EXPECT_EQ(SDL_WasInit(0), 0u);
}

}
