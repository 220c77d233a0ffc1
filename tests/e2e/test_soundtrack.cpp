#include "audio/AudioBackend.h"
#include "audio/Mp3Decoder.h"
#include "audio/PulseServer.h"

#include "AudioFiles.h"
#include "DemoRun.h"
#include "MonitorCapture.h"
#include "SoundServer.h"
#include "TestPaths.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

constexpr double kTimeoutSeconds = 120.0;
constexpr int kDeviceChannels = 2;

const std::vector<std::string> kShutdownLines = {"Engine Shutting Down", "Shut down Scene", "Shutting down window"};

std::string describe(const ProcessResult& result, const std::vector<std::string>& lines)
{
    std::string text = "exited " + std::to_string(result.exited) + " code " + std::to_string(result.exitCode) +
                       " signal " + std::to_string(result.signal) + " timed out " +
                       std::to_string(result.timedOut) + "\nLog.txt:\n";
    for (const std::string& line : lines) {
        text += line + "\n";
    }
    return text + "output:\n" + result.output;
}

size_t indexOf(const std::vector<std::string>& lines, const std::string& line)
{
    return static_cast<size_t>(std::find(lines.begin(), lines.end(), line) - lines.begin());
}

std::vector<float> readRecording(const std::string& path)
{
    const std::string bytes = readFile(path);
    std::vector<float> samples(bytes.size() / sizeof(float));
    std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(float));
    return samples;
}

std::vector<int16_t> decodeClip()
{
    Mp3Decoder decoder;
    EXPECT_EQ(decoder.open(musicClipPath().c_str()), kAudioOk);
    EXPECT_EQ(decoder.channels, kDeviceChannels);
    std::vector<int16_t> samples(static_cast<size_t>(decoder.lengthFrames) * kDeviceChannels);
    EXPECT_EQ(decoder.read(samples.data(), static_cast<int>(decoder.lengthFrames)), decoder.lengthFrames);
    return samples;
}

// Where the decoded clip starts in the recording, found by its first sound.
size_t clipOffset(const std::vector<float>& recording, const std::vector<int16_t>& clip)
{
    size_t clipStart = 0;
    while (clipStart < clip.size() && clip[clipStart] == 0) {
        ++clipStart;
    }
    size_t recordingStart = 0;
    while (recordingStart < recording.size() && recording[recordingStart] == 0.0f) {
        ++recordingStart;
    }
    return recordingStart >= clipStart ? recordingStart - clipStart : recording.size();
}

// When the demo's log first showed each of two lines, on the capture's counter.
struct LogWatch {
    std::string path;
    double playback = -1.0;
    double shutdown = -1.0;
    std::atomic<bool> done{false};
};

void watchLog(int pid, void* context)
{
    LogWatch* watch = static_cast<LogWatch*>(context);
    while (watch->shutdown < 0.0 && kill(pid, 0) == 0) {
        const std::string text = readFile(watch->path);
        const double now = counterSeconds();
        if (watch->playback < 0.0 && text.find("Starting playback!") != std::string::npos) {
            watch->playback = now;
        }
        if (text.find("Engine Shutting Down") != std::string::npos) {
            watch->shutdown = now;
        }
        SDL_Delay(1);
    }
    watch->done = true;
}

// Stops the sound server for a moment in the middle of the music.
struct ServerStall {
    LogWatch watch;
    std::vector<int> pids;
    double afterPlayback = 0.0;
    Uint32 milliseconds = 0;
};

void watchLogAndStall(int pid, void* context)
{
    ServerStall* stall = static_cast<ServerStall*>(context);
    LogWatch& watch = stall->watch;
    bool stalled = false;
    while (watch.shutdown < 0.0 && kill(pid, 0) == 0) {
        const std::string text = readFile(watch.path);
        const double now = counterSeconds();
        if (watch.playback < 0.0 && text.find("Starting playback!") != std::string::npos) {
            watch.playback = now;
        }
        if (!stalled && watch.playback > 0.0 && now >= watch.playback + stall->afterPlayback) {
            for (int server : stall->pids) {
                kill(server, SIGSTOP);
            }
            SDL_Delay(stall->milliseconds);
            for (int server : stall->pids) {
                kill(server, SIGCONT);
            }
            stalled = true;
        }
        if (text.find("Engine Shutting Down") != std::string::npos) {
            watch.shutdown = counterSeconds();
        }
        SDL_Delay(1);
    }
    watch.done = true;
}

}

// The demo plays its music on SDL's disk driver, which writes what the device is
// given to a file: the whole clip must be there before the demo shuts down by itself.
TEST(SoundtrackEndToEnd, TheMusicPlaysToItsEndAndTheDemoShutsDown)
{
    DemoDir dir;
    const std::string recordingPath = dir.file("played.raw");
    ProcessResult result = runDemo(dir, kTimeoutSeconds,
                                   {"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + recordingPath});
    const std::vector<std::string> lines = dir.logLines();
    ASSERT_TRUE(result.exited && !result.timedOut) << describe(result, lines);
    EXPECT_EQ(result.exitCode, 0);

    const std::vector<std::string> startup = {"Sucessfully initialized BASS Audio Device",
                                              "Sucessfully initialized Sync Device", "Sucessfully built soundtrack",
                                              "Warming renders...!", "Starting playback!"};
    size_t previous = 0;
    for (const std::string& line : startup) {
        size_t index = indexOf(lines, line);
        ASSERT_LT(index, lines.size()) << line << "\n" << describe(result, lines);
        EXPECT_GE(index, previous) << line;
        previous = index;
    }
    ASSERT_GE(lines.size(), kShutdownLines.size());
    EXPECT_EQ(std::vector<std::string>(lines.end() - kShutdownLines.size(), lines.end()), kShutdownLines)
        << describe(result, lines);

    // The loop ends with the music and says nothing of its own.
    for (size_t i = indexOf(lines, "Starting playback!") + 1; i + kShutdownLines.size() < lines.size(); ++i) {
        const std::string& line = lines[i];
        EXPECT_TRUE(line.find("BASS") == std::string::npos && line.find("soundtrack") == std::string::npos &&
                    line.find("Escape") == std::string::npos && line.find("quit") == std::string::npos &&
                    line.find("Playback did not start") == std::string::npos)
            << line;
    }

    const std::vector<float> recording = readRecording(recordingPath);
    const std::vector<int16_t> clip = decodeClip();
    const size_t offset = clipOffset(recording, clip);
    ASSERT_LE(offset + clip.size(), recording.size()) << "the recording ends before the music";
    size_t mismatches = 0;
    for (size_t i = 0; i < clip.size(); ++i) {
        mismatches += recording[offset + i] != clip[i] / 32768.0f ? 1 : 0;
    }
    EXPECT_EQ(mismatches, 0u) << "the device was given the clip sample for sample";
}

TEST(SoundtrackEndToEnd, MusicThatCannotBeLoadedStopsTheStartUp)
{
    const std::string clip = readFile(musicClipPath());
    struct Case {
        const char* name;
        bool present;
        std::string bytes;
        int code;
    };
    const Case cases[] = {
        {"missing", false, "", kAudioErrorFileOpen},
        {"empty", true, "", kAudioErrorFileFormat},
        // Cut inside its first audio frame.
        {"truncated", true, clip.substr(0, 500), kAudioErrorFileFormat},
    };
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        DemoDir dir(kDefaultConfig, false);
        if (testCase.present) {
            writeFile(dir.file("res/audio/melody.mp3"), testCase.bytes);
        }
        ProcessResult result = runDemo(dir, kTimeoutSeconds);
        const std::vector<std::string> lines = dir.logLines();
        ASSERT_TRUE(result.exited && !result.timedOut) << describe(result, lines);
        EXPECT_EQ(result.exitCode, 0);
        const std::vector<std::string> expected = {"Sucessfully initialized Sync Device",
                                                   "Failed to create soundtrack in bass audio device!",
                                                   "BASS Error Code: " + std::to_string(testCase.code),
                                                   "Failed to build soundtrack!"};
        ASSERT_GE(lines.size(), expected.size()) << describe(result, lines);
        EXPECT_EQ(std::vector<std::string>(lines.end() - expected.size(), lines.end()), expected)
            << describe(result, lines);
    }
}

// On a private PulseAudio server the demo plays a 5 s clip onto a null sink, whose
// monitor this test records: the run ends with the music, and what the sink
// played is the clip, in order. The server is new and its sink idle, so it keeps
// the first stream waiting up to 2 s: the music must still start with "Starting
// playback!", the wait done before it.
TEST(SoundtrackEndToEnd, OnASoundServerTheMusicIsHeardInOrderAndEndsWithIt)
{
    constexpr double kEarliest = 5.0;
    constexpr double kLatest = 5.6;
    constexpr int kCaptureFrames = 256;
    // 20 ms of the clip.
    constexpr size_t kMostNotHeard = 882;
    constexpr double kSinkWaitSeconds = 5.0;
    SoundServer server;
    if (!server.start("pulseaudio")) {
        GTEST_SKIP() << "no PulseAudio server could start here (make deps installs pulseaudio and "
                        "pulseaudio-utils):\n" << server.error;
    }
    // The back-end tells the server by the name it gives, to know what it holds.
    EXPECT_EQ(askPulseServerKind(1000), PulseServerKind::PulseAudio);
    DemoDir dir;
    copyFile(sourceDir() + "/tests/fixtures/audio/clip_sweep_44100.mp3", dir.file("res/audio/melody.mp3"));
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_AUDIO), 0) << SDL_GetError();
    MonitorCapture capture;
    ASSERT_TRUE(capture.open(kCaptureFrames)) << SDL_GetError();

    LogWatch watch;
    watch.path = dir.file("Log.txt");
    ProcessResult result = runDemo(dir, kTimeoutSeconds, server.clientEnvironment(), watchLog, &watch);
    while (!watch.done) {
        SDL_Delay(1);
    }
    // The capture hands over whole buffers: the last of the music comes with the next ones.
    EXPECT_TRUE(capture.waitForFrames(capture.recording().frames() + 2 * kCaptureFrames, kSinkWaitSeconds))
        << "the sink stopped";
    capture.close();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    const std::vector<std::string> lines = dir.logLines();
    ASSERT_TRUE(result.exited && !result.timedOut) << describe(result, lines);
    ASSERT_TRUE(watch.playback > 0.0 && watch.shutdown > 0.0) << describe(result, lines);
    const double seconds = watch.shutdown - watch.playback;
    EXPECT_GE(seconds, kEarliest);
    EXPECT_LE(seconds, kLatest);

    Mp3Decoder decoder;
    ASSERT_EQ(decoder.open(dir.file("res/audio/melody.mp3").c_str()), kAudioOk);
    std::vector<int16_t> pcm(static_cast<size_t>(decoder.lengthFrames) * decoder.channels);
    ASSERT_EQ(decoder.read(pcm.data(), static_cast<int>(decoder.lengthFrames)), decoder.lengthFrames);
    std::vector<float> clip;
    for (size_t i = 0; i < pcm.size(); i += static_cast<size_t>(decoder.channels)) {
        clip.push_back(pcm[i] / 32768.0f);
    }
    const std::vector<float> heard = withoutGaps(firstChannel(capture.samples(), MonitorCapture::kChannels));
    const std::vector<float> played = withoutGaps(clip);
    // A server kept waiting (a loaded machine) may also drop what came too late; a
    // little of that is allowed, no sample that is not the clip's next ones.
    EXPECT_LE(samplesNotHeard(heard, played, kMostNotHeard), kMostNotHeard)
        << "the sink played the clip's samples, in order";
}

// A 10 s clip on a private PulseAudio server that stops for 300 ms in the middle:
// the sound waits for it and the music's clock with the sound, so the run goes
// on as a normal one, says nothing more, and ends once the rest has been heard.
TEST(SoundtrackEndToEnd, ASoundServerThatStallsDelaysTheEndByTheStall)
{
    constexpr double kClipSeconds = 10.0;
    constexpr Uint32 kStallMs = 300;
    constexpr double kMostLateSeconds = 0.5;
    SoundServer server;
    if (!server.start("pulseaudio")) {
        GTEST_SKIP() << "no PulseAudio server could start here (make deps installs pulseaudio and "
                        "pulseaudio-utils):\n" << server.error;
    }
    DemoDir dir;
    copyFile(sourceDir() + "/tests/fixtures/audio/clip_tone_10s_44100.mp3", dir.file("res/audio/melody.mp3"));
    ServerStall stall;
    stall.watch.path = dir.file("Log.txt");
    stall.afterPlayback = kClipSeconds / 2;
    stall.milliseconds = kStallMs;
    std::ifstream pids(server.folder + "/pids");
    for (int pid = 0; pids >> pid;) {
        stall.pids.push_back(pid);
    }
    ASSERT_FALSE(stall.pids.empty());
    ProcessResult result = runDemo(dir, kTimeoutSeconds, server.clientEnvironment(), watchLogAndStall, &stall);
    while (!stall.watch.done) {
        SDL_Delay(1);
    }
    const std::vector<std::string> lines = dir.logLines();
    ASSERT_TRUE(result.exited && !result.timedOut) << describe(result, lines);
    EXPECT_EQ(result.exitCode, 0);
    const size_t playback = indexOf(lines, "Starting playback!");
    ASSERT_LT(playback, lines.size()) << describe(result, lines);
    const std::vector<std::string> after(lines.begin() + static_cast<std::ptrdiff_t>(playback) + 1, lines.end());
    EXPECT_EQ(after, kShutdownLines) << describe(result, lines);
    ASSERT_TRUE(stall.watch.playback > 0.0 && stall.watch.shutdown > 0.0) << describe(result, lines);
    const double seconds = stall.watch.shutdown - stall.watch.playback;
    const double expected = kClipSeconds + kStallMs / 1000.0;
    EXPECT_GE(seconds, expected);
    EXPECT_LE(seconds, expected + kMostLateSeconds);
}
