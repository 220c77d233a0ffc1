#include "engine/Engine.h"

#include "DemoRun.h"
#include "TestPaths.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace testing_support;

constexpr double kRunTimeout = 120.0;
constexpr double kFailedRunTimeout = 60.0;
constexpr double kPlaybackWait = 60.0;
constexpr int kEscapeAttempts = 3;

// SDL reports its own internal errors at debug priority; with every priority let
// through they reach the log between our lines. These are the ones a run under
// Xvfb produces: adaptive vsync being refused, and no visual for 8 samples.
const char* const kSdlDiagnostics[] = {
    "Negative swap interval unsupported in this GL",
    "That operation is not supported",
    "Couldn't find matching GLX visual",
};

bool isSdlDiagnostic(const std::string& line)
{
    for (const char* known : kSdlDiagnostics) {
        if (line == known) {
            return true;
        }
    }
    return false;
}

enum class Match { Exact, Prefix, AnyCount };

struct Expected {
    Match how;
    std::string text;
};

Expected line(const std::string& text) { return {Match::Exact, text}; }

std::string joined(const std::vector<std::string>& lines)
{
    std::ostringstream out;
    for (size_t i = 0; i < lines.size(); ++i) {
        out << "\n  " << (i + 1) << ": " << lines[i];
    }
    return out.str();
}

bool matches(const Expected& expected, const std::string& text)
{
    if (expected.how == Match::Prefix) {
        return text.size() > expected.text.size() && text.compare(0, expected.text.size(), expected.text) == 0;
    }
    return text == expected.text;
}

// The log must be exactly the expected lines in order, with known SDL diagnostics
// allowed between them; an AnyCount line may appear any number of times.
::testing::AssertionResult logFollows(const std::vector<std::string>& log, const std::vector<Expected>& expected)
{
    size_t at = 0;
    auto skipDiagnostics = [&] {
        while (at < log.size() && isSdlDiagnostic(log[at])) {
            ++at;
        }
    };
    for (const Expected& next : expected) {
        skipDiagnostics();
        if (next.how == Match::AnyCount) {
            while (at < log.size() && log[at] == next.text) {
                ++at;
                skipDiagnostics();
            }
            continue;
        }
        if (at == log.size() || !matches(next, log[at])) {
            return ::testing::AssertionFailure()
                   << "line " << (at + 1) << " should be \"" << next.text << "\"" << (next.how == Match::Prefix ? "..." : "")
                   << "; the log:" << joined(log);
        }
        ++at;
    }
    skipDiagnostics();
    if (at != log.size()) {
        return ::testing::AssertionFailure() << "unexpected line " << (at + 1) << "; the log:" << joined(log);
    }
    return ::testing::AssertionSuccess();
}

// Every line of the log also went to standard output, in the same order (the
// output may hold more: SDL writes to standard error before the log is set up).
::testing::AssertionResult printedInOrder(const std::string& output, const std::vector<std::string>& log)
{
    std::istringstream in(output);
    size_t at = 0;
    for (std::string text; at < log.size() && std::getline(in, text);) {
        if (text == log[at]) {
            ++at;
        }
    }
    if (at != log.size()) {
        return ::testing::AssertionFailure() << "missing from standard output: \"" << log[at] << "\"; output:\n" << output;
    }
    return ::testing::AssertionSuccess();
}

std::vector<Expected> startupUntilPlayback(int width, int height, int samples)
{
    std::string size = std::to_string(width) + "x" + std::to_string(height);
    return {
        line("Initializing Engine"),
        line("Reading Configuration File..."),
        line("Config File Read Successfully!"),
        line("Selected Settings: " + size + " Resolution with " + std::to_string(samples) + "x MSAA"),
        line("Fullscreen mode disabled!"),
        {Match::Prefix, "OpenGL Vendor: "},
        {Match::Prefix, "OpenGL Renderer: "},
        {Match::Prefix, "OpenGL Version: "},
        {Match::Prefix, "OpenGL GLSL Version: "},
        line("Window created with title 'Tessivar - Morlenth', width '" + std::to_string(width) + "' and height '" +
             std::to_string(height) + "'"),
        line("Initialized window"),
        line("Sucessfully initialized GLEW"),
        line("Sucessfully initialized BASS Audio Device"),
        line("Sucessfully initialized Sync Device"),
        line("Sucessfully built soundtrack"),
        line("Warming renders...!"),
        line("Starting playback!"),
        {Match::AnyCount, "Waiting on track..."},
    };
}

std::string findProgram(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::istringstream dirs(path != nullptr ? path : "/usr/bin:/bin");
    for (std::string dir; std::getline(dirs, dir, ':');) {
        std::string candidate = dir + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return std::string();
}

// A tone long enough that the music cannot end before a test quits the demo,
// encoded once per test program.
class LongMusic {
public:
    ~LongMusic()
    {
        if (!dir.empty()) {
            removeTree(dir);
        }
    }
    const std::string& path()
    {
        if (mp3.empty()) {
            create();
        }
        return mp3;
    }

private:
    void create()
    {
        dir = makeTempDir("morlenth-music");
        std::string wav = dir + "/tone.wav";
        std::string out = dir + "/tone.mp3";
        runProcess({findProgram("sox"), "-n", "-r", "44100", "-c", "2", wav, "synth", "40", "sine", "440", "vol", "0.3"},
                   "", {}, 60.0);
        runProcess({findProgram("lame"), "--quiet", wav, out}, "", {}, 120.0);
        if (fs::exists(out) && fs::file_size(out) > 0) {
            mp3 = out;
        }
    }
    std::string dir;
    std::string mp3;
};

LongMusic longMusic;

enum class QuitBy { Escape, Terminate };

struct QuitContext {
    std::string logPath;
    QuitBy how;
    std::atomic<bool> programEnded{false};
    std::promise<std::string> report;
};

bool logHasLine(const std::string& path, const std::string& text)
{
    for (const std::string& entry : readLines(path)) {
        if (entry == text) {
            return true;
        }
    }
    return false;
}

bool waitForLogLine(const QuitContext& context, const std::string& text, double seconds)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < deadline && !context.programEnded) {
        if (logHasLine(context.logPath, text)) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return logHasLine(context.logPath, text);
}

// Without a window manager the window never has the focus, so the key goes
// straight to the window that belongs to the program's pid.
std::string sendEscape(int pid, const QuitContext& context)
{
    std::string xdotool = findProgram("xdotool");
    ProcessResult search = runProcess({xdotool, "search", "--sync", "--pid", std::to_string(pid)}, "", {}, 20.0);
    std::string window = search.output.substr(0, search.output.find('\n'));
    if (window.empty()) {
        return "xdotool found no window: " + search.output;
    }
    for (int attempt = 0; attempt < kEscapeAttempts; ++attempt) {
        runProcess({xdotool, "key", "--window", window, "Escape"}, "", {}, 10.0);
        if (waitForLogLine(context, "Escape key pressed!", 5.0)) {
            return "Escape delivered";
        }
    }
    // End the run anyway, so that the log shows what happened instead of a timeout.
    kill(pid, SIGTERM);
    return "Escape sent " + std::to_string(kEscapeAttempts) + " times, never seen; SIGTERM sent";
}

void quitOncePlaying(int pid, void* data)
{
    QuitContext& context = *static_cast<QuitContext*>(data);
    std::string report;
    if (!waitForLogLine(context, "Starting playback!", kPlaybackWait)) {
        report = "playback never started";
    } else if (context.how == QuitBy::Escape) {
        report = sendEscape(pid, context);
    } else {
        kill(pid, SIGTERM);
        report = "SIGTERM sent";
    }
    context.report.set_value(report);
}

// Runs the demo and ends it once playback has started. `report` tells what the
// quitting side saw, for failure messages.
ProcessResult runAndQuit(const DemoDir& dir, QuitBy how, double timeout, std::string& report)
{
    QuitContext context;
    context.logPath = dir.file("Log.txt");
    context.how = how;
    std::future<std::string> done = context.report.get_future();
    ProcessResult result = runDemo(dir, timeout, {}, &quitOncePlaying, &context);
    context.programEnded = true;
    // Every wait of the quitting thread is bounded, so this ends.
    report = done.get();
    return result;
}

void expectCleanExit(const ProcessResult& result)
{
    EXPECT_FALSE(result.timedOut) << result.output;
    EXPECT_TRUE(result.exited) << "ended by signal " << result.signal << "\n" << result.output;
    EXPECT_EQ(result.exitCode, 0) << result.output;
}

class EngineRun : public ::testing::Test {
protected:
    void useLongMusic(const DemoDir& dir)
    {
        ASSERT_FALSE(longMusic.path().empty()) << "sox and lame are needed to make the test music";
        copyFile(longMusic.path(), dir.file("res/audio/melody.mp3"));
    }
};

TEST_F(EngineRun, NormalStartThenEscapeShutsDown)
{
    DemoDir dir(kDefaultConfig);
    useLongMusic(dir);
    std::string report;
    ProcessResult result = runAndQuit(dir, QuitBy::Escape, kRunTimeout, report);
    SCOPED_TRACE(report);
    expectCleanExit(result);

    std::vector<Expected> expected = startupUntilPlayback(320, 180, 4);
    for (const char* text : {"Escape key pressed!", "Engine Shutting Down", "Shut down Scene", "Shutting down window"}) {
        expected.push_back(line(text));
    }
    std::vector<std::string> log = dir.logLines();
    EXPECT_TRUE(logFollows(log, expected));
    EXPECT_TRUE(printedInOrder(result.output, log));
}

// SDL turns SIGTERM into the same quit event as closing the window. No
// multisampling is a valid setting too.
TEST_F(EngineRun, QuitRequestShutsDown)
{
    DemoDir dir("ViewportWidth = 400;\nViewportHeight = 240;\nMSAA = 0;\n");
    useLongMusic(dir);
    std::string report;
    ProcessResult result = runAndQuit(dir, QuitBy::Terminate, kRunTimeout, report);
    SCOPED_TRACE(report);
    expectCleanExit(result);

    std::vector<Expected> expected = startupUntilPlayback(400, 240, 0);
    for (const char* text : {"Received quit message from event system!", "Engine Shutting Down", "Shut down Scene",
                             "Shutting down window"}) {
        expected.push_back(line(text));
    }
    EXPECT_TRUE(logFollows(dir.logLines(), expected));
}

struct FailedStart {
    const char* name;
    std::optional<std::string> config; // no Config.txt at all when empty
    std::vector<std::string> log;
};

std::vector<std::string> failedWindow(const std::string& settings, const char* fullscreen,
                                      std::vector<std::string> windowLines = {})
{
    std::vector<std::string> log = {"Initializing Engine", "Reading Configuration File...",
                                    "Config File Read Successfully!", settings, fullscreen};
    log.insert(log.end(), windowLines.begin(), windowLines.end());
    log.push_back("Failed to initialize window!");
    return log;
}

// Each run finds an old log from an earlier run, which must be replaced entirely.
TEST_F(EngineRun, FailedStartsEndCleanlyWithTheirMessages)
{
    const FailedStart cases[] = {
        {"Config.txt missing", std::nullopt,
         {"Initializing Engine", "Reading Configuration File...", "Failed to read config file: Config.txt!"}},
        {"ViewportWidth missing", "ViewportHeight = 180;\nMSAA = 4;\nFullscreen = false;\n",
         failedWindow("Selected Settings: -1x180 Resolution with 4x MSAA", "Fullscreen mode disabled!")},
        {"ViewportHeight zero", "ViewportWidth = 320;\nViewportHeight = 0;\nMSAA = 4;\nFullscreen = TRUE;\n",
         failedWindow("Selected Settings: 320x0 Resolution with 4x MSAA", "Fullscreen mode enabled!")},
        {"MSAA key in another case", "ViewportWidth = 320;\nViewportHeight = 180;\nmsaa = 4;\n",
         failedWindow("Selected Settings: 320x180 Resolution with -1x MSAA", "Fullscreen mode disabled!")},
        // Xvfb offers visuals with at most 4 samples.
        {"MSAA beyond the driver", "ViewportWidth = 320;\nViewportHeight = 180;\nMSAA = 8;\nFullscreen = false;\n",
         failedWindow("Selected Settings: 320x180 Resolution with 8x MSAA", "Fullscreen mode disabled!",
                      {"Failed to create window!"})},
    };
    for (const FailedStart& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        DemoDir dir(testCase.config.value_or(""));
        if (!testCase.config) {
            fs::remove(dir.file("Config.txt"));
        }
        writeFile(dir.file("Log.txt"), std::string(2000, '#') + "\nLine of an earlier run\n");
        // Should a run get as far as playing, end it rather than wait for the timeout.
        std::string report;
        ProcessResult result = runAndQuit(dir, QuitBy::Terminate, kFailedRunTimeout, report);
        expectCleanExit(result);

        std::vector<Expected> expected;
        for (const std::string& text : testCase.log) {
            expected.push_back(line(text));
        }
        std::vector<std::string> log = dir.logLines();
        EXPECT_TRUE(logFollows(log, expected));
        EXPECT_TRUE(printedInOrder(result.output, log));
    }
}

// Without a display the message box cannot open, so nothing can hold the run.
// A privileged user writes into read-only folders, so for one the log path is
// made unopenable by a folder of that name.
TEST_F(EngineRun, UnwritableLogEndsTheRunWithoutLog)
{
    DemoDir dir(kDefaultConfig);
    ASSERT_EQ(chmod(dir.path.c_str(), 0555), 0);
    bool privileged = access(dir.path.c_str(), W_OK) == 0;
    if (privileged) {
        fs::create_directory(dir.file("Log.txt"));
    }
    ProcessResult result = runDemo(dir, kFailedRunTimeout, {"DISPLAY=", "WAYLAND_DISPLAY="});
    chmod(dir.path.c_str(), 0755);

    expectCleanExit(result);
    if (privileged) {
        EXPECT_TRUE(fs::is_directory(dir.file("Log.txt")));
        EXPECT_TRUE(fs::is_empty(dir.file("Log.txt")));
    } else {
        EXPECT_FALSE(fs::exists(dir.file("Log.txt")));
    }
    // Nothing may be logged: not even SDL's start, which would fail here for want of a display.
    for (const char* text : {"Initializing Engine", "Failed to initialize SDL!"}) {
        EXPECT_EQ(result.output.find(text), std::string::npos) << result.output;
    }
}

// Other code reaches the engine through Engine::instance; once shut down, there
// is no engine to reach.
TEST(EngineInstance, IsTheEngineFromInitUntilShutdownAndNullAfter)
{
    DemoDir dir;
    char previousDir[4096];
    ASSERT_NE(getcwd(previousDir, sizeof previousDir), nullptr);
    ASSERT_EQ(chdir(dir.path.c_str()), 0);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    setenv("SDL_VIDEODRIVER", "x11", 1);
    {
        Engine engine;
        EXPECT_EQ(Engine::instance, nullptr);
        const bool started = engine.init();
        EXPECT_TRUE(started) << joined(dir.logLines());
        EXPECT_EQ(Engine::instance, &engine);
        if (started) {
            engine.shutdown();
            EXPECT_EQ(Engine::instance, nullptr);
        }
    }
    unsetenv("SDL_VIDEODRIVER");
    ASSERT_EQ(chdir(previousDir), 0);
}

}
