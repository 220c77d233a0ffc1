#pragma once

#include "audio/AudioBackend.h"

#include "TestPaths.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>

// Shared by the audio tests: the MP3 clips of tests/fixtures/audio and a device
// on SDL's silent driver, which plays at the pace of its timer, headless.
namespace audio_testing {

constexpr int kFrequency = 44100;
constexpr uint64_t kBytesPerSample = 2;

inline std::string fixture(const std::string& name)
{
    return testing_support::sourceDir() + "/tests/fixtures/audio/" + name;
}

inline std::string randomBytes(size_t count, unsigned seed)
{
    std::mt19937 generator(seed);
    std::string bytes(count, '\0');
    for (char& byte : bytes) {
        byte = static_cast<char>(generator() & 0xff);
    }
    return bytes;
}

inline double nowSeconds()
{
    return static_cast<double>(SDL_GetPerformanceCounter()) / static_cast<double>(SDL_GetPerformanceFrequency());
}

inline double heardSeconds(uint32_t stream)
{
    return audioChannelBytes2Seconds(stream, audioChannelGetPosition(stream, kAudioPositionHeard));
}

// Polls until the stream's state differs from `state`, for at most timeoutSeconds.
inline bool waitWhileState(uint32_t stream, AudioActiveState state, double timeoutSeconds)
{
    const double deadline = nowSeconds() + timeoutSeconds;
    while (audioChannelIsActive(stream) == state) {
        if (nowSeconds() > deadline) {
            return false;
        }
        SDL_Delay(1);
    }
    return true;
}

class Backend : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        ASSERT_TRUE(audioInit(kFrequency)) << audioErrorGetCode();
    }
    void TearDown() override { audioFree(); }

    uint32_t open(const char* name)
    {
        uint32_t stream = audioStreamCreateFile(fixture(name).c_str());
        EXPECT_NE(stream, 0u) << name << ": error " << audioErrorGetCode();
        return stream;
    }
};

}
