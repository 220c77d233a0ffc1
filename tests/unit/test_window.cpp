#include "engine/Window.h"

#include "GlTestContext.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <vector>

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

// Only a pressed Escape and a quit request end the loop; every other key, and
// Escape's release, leaves the run going and the log empty.
TEST(Window, OnlyAnEscapePressOrAQuitRequestEndsTheRun)
{
    auto key = [](Uint32 type, SDL_Keycode sym) {
        SDL_Event event{};
        event.type = type;
        event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        event.key.keysym.sym = sym;
        return event;
    };
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    const struct {
        const char* name;
        std::vector<SDL_Event> events;
        bool goesOn;
        const char* message;
    } cases[] = {
        {"no events", {}, true, nullptr},
        {"other keys pressed and released",
         {key(SDL_KEYDOWN, SDLK_SPACE), key(SDL_KEYUP, SDLK_SPACE), key(SDL_KEYDOWN, SDLK_q),
          key(SDL_KEYDOWN, SDLK_RETURN), key(SDL_KEYDOWN, SDLK_F4)},
         true, nullptr},
        {"Escape released", {key(SDL_KEYUP, SDLK_ESCAPE)}, true, nullptr},
        {"Escape pressed after other keys", {key(SDL_KEYDOWN, SDLK_a), key(SDL_KEYDOWN, SDLK_ESCAPE)}, false,
         "Escape key pressed!"},
        {"quit request", {quit}, false, "Received quit message from event system!"},
    };
    ASSERT_EQ(SDL_Init(SDL_INIT_EVENTS), 0) << SDL_GetError();
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        for (SDL_Event event : testCase.events) {
            ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
        }
        testing_support::LogCapture log;
        Window window;
        EXPECT_EQ(window.pollEvents(), testCase.goesOn);
        if (testCase.message == nullptr) {
            EXPECT_EQ(log.lines(), std::vector<std::string>());
        } else {
            EXPECT_EQ(log.lines(), std::vector<std::string>{testCase.message});
        }
    }
    SDL_Quit();
}

}
