#include "engine/Engine.h"
#include "engine/Logger.h"

#include "TestPaths.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

using testing_support::readFile;

// Sends standard output to a file while it lives.
class StdoutToFile {
public:
    explicit StdoutToFile(const std::string& path)
    {
        std::fflush(stdout);
        saved = dup(STDOUT_FILENO);
        int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(fd, STDOUT_FILENO);
        close(fd);
    }
    ~StdoutToFile() { restore(); }
    void restore()
    {
        if (saved >= 0) {
            std::fflush(stdout);
            dup2(saved, STDOUT_FILENO);
            close(saved);
            saved = -1;
        }
    }

private:
    int saved = -1;
};

class Logger : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = testing_support::makeTempDir("morlenth-logger");
        SDL_LogGetOutputFunction(&previousFunction, &previousUserdata);
    }
    void TearDown() override
    {
        SDL_LogSetOutputFunction(previousFunction, previousUserdata);
        testing_support::removeTree(dir);
    }
    std::string path(const std::string& name) const { return dir + "/" + name; }

    std::string dir;
    SDL_LogOutputFunction previousFunction = nullptr;
    void* previousUserdata = nullptr;
};

TEST_F(Logger, SameLinesInSameOrderOnStdoutAndInLogFile)
{
    Engine engine;
    engine.logFile.open(path("Log.txt"), std::ios::out | std::ios::trunc);
    ASSERT_TRUE(engine.logFile.is_open());
    SDL_LogSetAllPriority(SDL_LOG_PRIORITY_VERBOSE);
    SDL_LogSetOutputFunction(logOutput, &engine);
    const std::string expected = "Initializing Engine\n"
                                 "Failed to read config file: Config.txt!\n"
                                 "Failed to compile vertex shader: '0:1(1): error'\n"
                                 "Selected Settings: 1280x720 Resolution with 4x MSAA\n"
                                 "any priority and category passes\n";
    {
        StdoutToFile capture(path("stdout.txt"));
        SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "Initializing Engine");
        SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "Failed to read config file: %s!", "Config.txt");
        SDL_LogError(SDL_LOG_CATEGORY_VIDEO, "Failed to compile vertex shader: '%s'", "0:1(1): error");
        SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "Selected Settings: %dx%d Resolution with %dx MSAA", 1280, 720, 4);
        SDL_LogVerbose(SDL_LOG_CATEGORY_APPLICATION, "%s", "any priority and category passes");
        // Flushed per line: the file holds every line while it is still open.
        EXPECT_EQ(readFile(path("Log.txt")), expected);
    }
    EXPECT_EQ(readFile(path("stdout.txt")), expected);
    EXPECT_EQ(readFile(path("Log.txt")), expected);
}

TEST_F(Logger, AddsExactlyOneLineEnd)
{
    const std::vector<std::string> messages = {
        "plain", "ends with a line end\n", "two line ends\n\n", "carriage return\r", "", "  spaces  ", "inner\nline",
    };
    Engine engine;
    engine.logFile.open(path("Log.txt"), std::ios::out | std::ios::trunc);
    ASSERT_TRUE(engine.logFile.is_open());
    std::string expected;
    {
        StdoutToFile capture(path("stdout.txt"));
        for (const std::string& message : messages) {
            logOutput(&engine, SDL_LOG_CATEGORY_SYSTEM, SDL_LOG_PRIORITY_INFO, message.c_str());
            expected += message + "\n";
        }
    }
    EXPECT_EQ(readFile(path("stdout.txt")), expected);
    EXPECT_EQ(readFile(path("Log.txt")), expected);
}

// Engine::init opens the log, then starts SDL; with a video driver that does not
// exist SDL fails, and that failure is the only line of the fresh log.
TEST_F(Logger, StartReplacesOldLogAndReportsSdlFailure)
{
    std::string stale;
    for (int i = 0; i < 50; ++i) {
        stale += "Line of an earlier run\n";
    }
    testing_support::writeFile(path("Log.txt"), stale);

    char previousDir[4096];
    ASSERT_NE(getcwd(previousDir, sizeof previousDir), nullptr);
    ASSERT_EQ(chdir(dir.c_str()), 0);
    setenv("SDL_VIDEODRIVER", "no-such-driver", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    bool started = true;
    {
        Engine engine;
        StdoutToFile capture(path("stdout.txt"));
        started = engine.init();
        EXPECT_EQ(Engine::instance, &engine);
        SDL_LogSetOutputFunction(previousFunction, previousUserdata);
    }
    SDL_Quit();
    Engine::instance = nullptr;
    unsetenv("SDL_VIDEODRIVER");
    ASSERT_EQ(chdir(previousDir), 0);

    EXPECT_FALSE(started);
    EXPECT_EQ(readFile(path("Log.txt")), "Failed to initialize SDL!\n");
    EXPECT_EQ(readFile(path("stdout.txt")), "Failed to initialize SDL!\n");
}

}
