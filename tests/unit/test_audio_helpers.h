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

// Stops or pauses the stream and returns the position it holds, which is where the
// listener was: no earlier than just before, and no further on than the clock ran
// during the calls.
inline uint64_t holdWhereHeard(uint32_t stream, bool (*hold)(uint32_t))
{
    const double start = nowSeconds();
    const uint64_t before = audioChannelGetPosition(stream, kAudioPositionHeard);
    EXPECT_TRUE(hold(stream));
    const uint64_t held = audioChannelGetPosition(stream, kAudioPositionHeard);
    const double bytesPerSecond = 1.0 / audioChannelBytes2Seconds(stream, 1);
    EXPECT_GE(held, before);
    EXPECT_LE(static_cast<double>(held - before), (nowSeconds() - start) * bytesPerSecond * 1.1 + 4.0);
    return held;
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
