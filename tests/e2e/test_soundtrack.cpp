#include "audio/AudioBackend.h"
#include "audio/Mp3Decoder.h"

#include "DemoRun.h"
#include "TestPaths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
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
