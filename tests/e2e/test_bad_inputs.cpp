// Every bad input the demo reads from its working folder, each in a real run of
// the program: it ends by itself with exit status 0 and says what went wrong in
// Log.txt, or plays on where the input is not needed to play.
#include "audio/AudioBackend.h"

#include "AudioFiles.h"
#include "DemoRun.h"
#include "LogLines.h"
#include "TestPaths.h"
#include "TrackFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;
using namespace testing_support;

// The clip lasts 2 s; the rest is start-up on a busy machine.
constexpr double kRunTimeout = 30.0;
// What SDL's disk driver gives the demo's request.
constexpr int kDiskRate = 44100;
constexpr int kDiskChannels = 2;
const std::vector<std::string> kShutdownLines = {"Engine Shutting Down", "Shut down Scene", "Shutting down window"};
const char* const kSanitizerReports[] = {"AddressSanitizer", "LeakSanitizer", "UndefinedBehaviorSanitizer",
                                         "runtime error:"};
// Log lines that report trouble; any of them must be expected by the case.
// The run ends by itself: nobody presses Escape or closes the window.
const std::vector<std::string> kTroubleWords = {"Failed", "Error",     "error",  "Invalid",
                                                "Tried",  "giving up", "Escape", "quit"};

constexpr const char* kUncompiledLookUp = "Tried to get a uniform location from a shader that is not compiled!";
constexpr const char* kGlError = "OpenGL Error Encountered! Error: ";

enum class Ending { Stops, PlaysToTheEnd };

struct BadInput {
    std::string name;
    std::function<void(const DemoDir&)> damage;
    Ending ending;
    // In this order in the log; a run that stops ends with the last of them.
    std::vector<LogLine> expected;
    // Seconds of music the listener hears, checked on SDL's disk driver; 0: not checked.
    double heardSeconds = 0.0;
    // More of the run's environment (the audio output's own trouble).
    std::vector<std::string> env = {};
};

std::string randomBytes(size_t count, unsigned seed)
{
    std::mt19937 generator(seed);
    std::string bytes(count, '\0');
    for (char& byte : bytes) {
        byte = static_cast<char>(generator() & 0xff);
    }
    return bytes;
}

std::function<void(const DemoDir&)> writes(const std::string& relative, const std::string& bytes)
{
    return [relative, bytes](const DemoDir& dir) { writeFile(dir.file(relative), bytes); };
}

std::function<void(const DemoDir&)> removes(const std::string& relative)
{
    return [relative](const DemoDir& dir) { fs::remove(dir.file(relative)); };
}

std::string config(const std::string& width, const std::string& samples, const std::string& fullscreen = "false")
{
    return "ViewportWidth = " + width + ";\nViewportHeight = 180;\nMSAA = " + samples + ";\nFullscreen = " +
           fullscreen + ";\n";
}

// The start-up lines up to the failed window, for settings that pass the config.
std::vector<LogLine> windowFails(const std::string& settings, bool sdlRefuses)
{
    std::vector<LogLine> expected = logLines({"Config File Read Successfully!"});
    expected.push_back({"Selected Settings: " + settings});
    expected.push_back({"Fullscreen mode disabled!"});
    if (sdlRefuses) {
        expected.push_back({"Failed to create window!"});
    }
    expected.push_back({"Failed to initialize window!"});
    return expected;
}

std::vector<BadInput> configCases()
{
    // Megabytes of entries and near-entries the parser must skip, then the real settings.
    std::string large;
    while (large.size() < 10 * 1024 * 1024) {
        large += "Filler = 1234; ==;; =  x ; Key =\tvalue; ViewportWidthX = 9;\n";
    }
    large += kDefaultConfig;
    std::vector<LogLine> played = logLines({"Config File Read Successfully!"});
    played.push_back({"Selected Settings: 320x180 Resolution with 4x MSAA"});
    return {
        {"Missing", removes("Config.txt"), Ending::Stops,
         logLines({"Initializing Engine", "Reading Configuration File...", "Failed to read config file: Config.txt!"})},
        {"Empty", writes("Config.txt", ""), Ending::Stops, windowFails("-1x-1 Resolution with -1x MSAA", false)},
        {"BinaryJunk", writes("Config.txt", randomBytes(4096, 1)), Ending::Stops,
         windowFails("-1x-1 Resolution with -1x MSAA", false)},
        {"TenMegabytes", writes("Config.txt", large), Ending::PlaysToTheEnd, played},
        {"WidthZero", writes("Config.txt", config("0", "4")), Ending::Stops,
         windowFails("0x180 Resolution with 4x MSAA", false)},
        {"WidthNegative", writes("Config.txt", config("-5", "4")), Ending::Stops,
         windowFails("-5x180 Resolution with 4x MSAA", false)},
        // An X window is at most 32767 pixels wide.
        {"WidthHuge", writes("Config.txt", config("100000", "4")), Ending::Stops,
         windowFails("100000x180 Resolution with 4x MSAA", true)},
        {"MsaaNegative", writes("Config.txt", config("320", "-1")), Ending::Stops,
         windowFails("320x180 Resolution with -1x MSAA", false)},
        // Xvfb offers visuals with at most 4 samples.
        {"Msaa8", writes("Config.txt", config("320", "8")), Ending::Stops,
         windowFails("320x180 Resolution with 8x MSAA", true)},
        {"Msaa64", writes("Config.txt", config("320", "64")), Ending::Stops,
         windowFails("320x180 Resolution with 64x MSAA", true)},
        {"FullscreenYes", writes("Config.txt", config("320", "4", "yes")), Ending::PlaysToTheEnd,
         logLines({"Fullscreen mode disabled!", "Starting playback!"})},
    };
}

// "Blur.frag" gives "BlurFrag".
std::string caseName(std::string file)
{
    const size_t dot = file.find('.');
    file.erase(dot, 1);
    file[dot] = static_cast<char>(std::toupper(static_cast<unsigned char>(file[dot])));
    return file;
}

// The grid is drawn on every frame, so a grid that could not be set up is tried too.
std::function<void(const DemoDir&)> withGridShown(std::function<void(const DemoDir&)> damage)
{
    return [damage](const DemoDir& dir) {
        damage(dir);
        writeConstantTrack(dir.file("res/sync"), "Grid.Visible", 1.0f);
    };
}

std::vector<BadInput> shaderCases()
{
    struct ShaderFile {
        const char* file;
        bool vertex;
        const char* failure;  // the owner's line after the shader's own
        const char* stage;    // the line after that, where start-up stops
    };
    const ShaderFile files[] = {
        {"FullscreenQuad.vert", true, "Failed to initialize Copy Shader!", "Failed to initialize Post Processor!"},
        {"CopyTex.frag", false, "Failed to initialize Copy Shader!", "Failed to initialize Post Processor!"},
        {"HighPass.frag", false, "Failed to initialize High Pass Shader!", "Failed to initialize Post Processor!"},
        {"Blur.frag", false, "Failed to initialize Blur Shader!", "Failed to initialize Post Processor!"},
        {"Mix.frag", false, "Failed to initialize Mix Shader!", "Failed to initialize Post Processor!"},
        {"ResolveFBO.frag", false, "Failed to initialize Resolve FBO Shader!", "Failed to initialize Post Processor!"},
        {"ResolveDepth.frag", false, "Failed to initialize Resolve Depth Shader!",
         "Failed to initialize Post Processor!"},
        {"Wireframe.vert", true, "Failed to initialize wireframe shader!", "Failed to initialize Flake Object Data!"},
        {"Wireframe.frag", false, "Failed to initialize wireframe shader!", "Failed to initialize Flake Object Data!"},
        // Only the grid uses it, and the objects are made once the music plays.
        {"WireframeGrid.vert", true, "Failed to initialize wireframe shader!", nullptr},
    };
    std::vector<BadInput> cases;
    for (const ShaderFile& shader : files) {
        const std::string path = std::string("res/shaders/") + shader.file;
        const std::string stage = shader.vertex ? "vertex" : "fragment";
        const std::string source = readFile(sourceDir() + "/" + path);
        const struct {
            const char* name;
            std::function<void(const DemoDir&)> damage;
            LogLine message;
        } damages[] = {
            {"Missing", removes(path), {"Failed to read " + stage + " shader source!"}},
            {"Empty", writes(path, ""), {"Failed to compile " + stage + " shader: '", true}},
            {"SyntaxError", writes(path, source + "\nthis is not a statement\n"),
             {"Failed to compile " + stage + " shader: '", true}},
        };
        for (const auto& damage : damages) {
            const std::string name = caseName(shader.file) + damage.name;
            std::vector<LogLine> expected = {damage.message, {shader.failure}};
            if (shader.stage != nullptr) {
                expected.push_back({shader.stage});
                expected.push_back({"Failed to initialize scene!"});
                cases.push_back({name, damage.damage, Ending::Stops, expected});
            } else {
                // A grid without its program still draws on every frame, and says so.
                expected.insert(expected.begin(), {"Starting playback!"});
                expected.push_back({kUncompiledLookUp});
                expected.push_back({kGlError, true});
                cases.push_back({name, withGridShown(damage.damage), Ending::PlaysToTheEnd, expected});
            }
        }
    }
    return cases;
}

std::vector<BadInput> noiseImageCases()
{
    const char* path = "res/textures/smoothNoise.png";
    const std::vector<LogLine> expected = logLines({"Starting playback!", "Failed to initialize smoothNoise.png!"});
    return {
        {"Missing", withGridShown(removes(path)), Ending::PlaysToTheEnd, expected},
        {"Empty", withGridShown(writes(path, "")), Ending::PlaysToTheEnd, expected},
        {"NotAnImage", withGridShown(writes(path, "\x89PNG\r\n\x1a\n" + randomBytes(2000, 2))), Ending::PlaysToTheEnd,
         expected},
    };
}

std::vector<LogLine> soundtrackFails(int code)
{
    std::vector<LogLine> expected = logLines({"Sucessfully initialized Sync Device",
                                        "Failed to create soundtrack in bass audio device!"});
    expected.push_back({"BASS Error Code: " + std::to_string(code)});
    expected.push_back({"Failed to build soundtrack!"});
    return expected;
}

std::vector<BadInput> musicCases()
{
    const char* path = "res/audio/melody.mp3";
    const std::string clip = readFile(musicClipPath());
    const std::string untagged = withoutTagFrame(clip);
    return {
        {"Missing", removes(path), Ending::Stops, soundtrackFails(kAudioErrorFileOpen)},
        {"Empty", writes(path, ""), Ending::Stops, soundtrackFails(kAudioErrorFileFormat)},
        {"RandomBytes", writes(path, randomBytes(64 * 1024, 3)), Ending::Stops,
         soundtrackFails(kAudioErrorFileFormat)},
        // Its LAME tag announces twice the frames that follow; the half that is there plays.
        {"CutInHalf", writes(path, clip.substr(0, clip.size() / 2)), Ending::PlaysToTheEnd,
         logLines({"Sucessfully built soundtrack", "Starting playback!"}), 1.0},
        {"UntaggedCutInHalf", writes(path, untagged.substr(0, untagged.size() / 2)), Ending::PlaysToTheEnd,
         logLines({"Sucessfully built soundtrack", "Starting playback!"}), 1.0},
        // Only MPEG audio is decoded: PCM in a WAVE file is no music for the demo.
        {"WaveRenamed", writes(path, decodedAsWave(musicClipPath())), Ending::Stops, soundtrackFails(kAudioErrorFileFormat)},
    };
}

std::vector<BadInput> trackCases()
{
    // Tracks read on every frame by the camera, the grid, the cube and the post processor.
    static const char* const kTracks[] = {"Camera.Mode", "Camera.Distance", "Camera.Pitch", "Grid.Visible",
                                          "Cube.Visible", "Cube.Scale", "FX.EnableBloom", "FX.Fade",
                                          "FX.Exposure", "Ring1.Progress"};
    auto damageEach = [](std::function<void(const std::string&)> damage) {
        return [damage](const DemoDir& dir) {
            for (const char* track : kTracks) {
                damage(dir.file(std::string("res/sync/_") + track + ".track"));
            }
        };
    };
    auto writesEach = [damageEach](const std::string& bytes) {
        return damageEach([bytes](const std::string& path) { writeFile(path, bytes); });
    };
    const std::string keys = keyBytes(0, 1.0f, 1) + keyBytes(64, 0.5f, 2) + keyBytes(128, 1.0f, 0);
    const std::vector<LogLine> played = logLines({"Starting playback!"});
    return {
        {"Truncated", writesEach(le32(3) + keys.substr(0, 14)), Ending::PlaysToTheEnd, played},
        {"NegativeCount", writesEach(le32(-3) + keys), Ending::PlaysToTheEnd, played},
        {"HugeCount", writesEach(le32(INT32_MAX) + keys), Ending::PlaysToTheEnd, played},
        {"Unsorted", writesEach(le32(3) + keyBytes(128, 1.0f, 1) + keyBytes(0, 2.0f, 1) + keyBytes(64, 3.0f, 3)),
         Ending::PlaysToTheEnd, played},
        {"Junk", writesEach(randomBytes(999, 4)), Ending::PlaysToTheEnd, played},
        {"Directory", damageEach([](const std::string& path) {
             fs::remove(path);
             fs::create_directories(path + "/inner");
         }),
         Ending::PlaysToTheEnd, played},
    };
}

// A track name is chosen by the code alone and the track folder is relative, so
// no working folder makes a track path too long for the store: that case is the
// track store's own test. A read-only folder without a log, where the one message
// is a box, is the engine runs' test.

// The output device is lost before playback starts: SDL's disk driver writing to
// a full disk disconnects on its first buffer, long before the warm-up frame.
// The play fails; the start waits for the music in 100 ms steps, then gives up
// after 5 seconds instead of waiting for ever.
std::vector<BadInput> audioOutputCases()
{
    constexpr int kWaits = 50;
    std::vector<LogLine> expected = logLines({"Error writing to datastream", "Starting playback!",
                                              "Failed to play soundtrack in bass audio!"});
    expected.push_back({"BASS Error Code: " + std::to_string(kAudioErrorDevice)});
    expected.insert(expected.end(), kWaits, LogLine{"Waiting on track..."});
    expected.push_back({"Playback did not start within 5 seconds, giving up!"});
    return {
        {"DeviceLostBeforePlayback", [](const DemoDir&) {}, Ending::Stops, expected, 0.0,
         {"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=/dev/full"}},
    };
}

std::vector<BadInput> workingDirectoryCases()
{
    return {
        // A log that exists can still be rewritten where nothing new can be created.
        {"ReadOnlyWithLog",
         [](const DemoDir& dir) {
             writeFile(dir.file("Log.txt"), "Line of an earlier run\n");
             chmod(dir.path.c_str(), 0555);
         },
         Ending::PlaysToTheEnd, logLines({"Initializing Engine", "Starting playback!"})},
    };
}

void PrintTo(const BadInput& input, std::ostream* out)
{
    *out << input.name;
}

class BadInputRun : public ::testing::TestWithParam<BadInput> {};

TEST_P(BadInputRun, EndsByItselfWithItsMessages)
{
    const BadInput& input = GetParam();
    DemoDir dir;
    input.damage(dir);
    const std::string recording = dir.file("heard.raw");
    std::vector<std::string> env = input.env;
    if (input.heardSeconds > 0.0) {
        env = {"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + recording};
    }
    const ProcessResult result = runDemo(dir, kRunTimeout, env);
    chmod(dir.path.c_str(), 0755);
    const std::vector<std::string> log = withoutBlankLines(dir.logLines());
    SCOPED_TRACE(describeRun(result, log));

    EXPECT_TRUE(result.exited && !result.timedOut) << "the run did not end by itself";
    EXPECT_EQ(result.exitCode, 0);
    for (const char* report : kSanitizerReports) {
        EXPECT_EQ(result.output.find(report), std::string::npos) << report;
    }
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front(), "Initializing Engine");
    EXPECT_TRUE(followsInOrder(log, input.expected));
    EXPECT_TRUE(onlyExpectedTrouble(log, input.expected, kTroubleWords));
    // Music that starts at once is not waited for; a lost device is, a bounded number of times.
    const LogLine waiting{"Waiting on track..."};
    EXPECT_EQ(std::count(log.begin(), log.end(), waiting.text),
              std::count_if(input.expected.begin(), input.expected.end(),
                            [&](const LogLine& line) { return line.text == waiting.text; }));
    if (input.ending == Ending::Stops) {
        EXPECT_TRUE(input.expected.back().matches(log.back())) << "the last line: " << log.back();
    } else {
        ASSERT_GE(log.size(), kShutdownLines.size());
        EXPECT_EQ(std::vector<std::string>(log.end() - kShutdownLines.size(), log.end()), kShutdownLines);
    }
    if (input.heardSeconds > 0.0) {
        EXPECT_NEAR(soundSeconds(recording, kDiskRate, kDiskChannels), input.heardSeconds, 0.25);
    }
}

std::string caseNameOf(const ::testing::TestParamInfo<BadInput>& info)
{
    return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(Config, BadInputRun, ::testing::ValuesIn(configCases()), caseNameOf);
INSTANTIATE_TEST_SUITE_P(Shader, BadInputRun, ::testing::ValuesIn(shaderCases()), caseNameOf);
INSTANTIATE_TEST_SUITE_P(NoiseImage, BadInputRun, ::testing::ValuesIn(noiseImageCases()), caseNameOf);
INSTANTIATE_TEST_SUITE_P(Music, BadInputRun, ::testing::ValuesIn(musicCases()), caseNameOf);
INSTANTIATE_TEST_SUITE_P(TrackFile, BadInputRun, ::testing::ValuesIn(trackCases()), caseNameOf);
INSTANTIATE_TEST_SUITE_P(AudioOutput, BadInputRun, ::testing::ValuesIn(audioOutputCases()), caseNameOf);
INSTANTIATE_TEST_SUITE_P(WorkingDirectory, BadInputRun, ::testing::ValuesIn(workingDirectoryCases()), caseNameOf);

}
