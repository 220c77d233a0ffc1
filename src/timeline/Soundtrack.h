#pragma once

#include <cstdint>

// The music and the clock of the timeline, played through the audio back-end.
class Soundtrack {
public:
    bool initAudio();
    bool load(const char* path, float bpm);
    void play();
    bool isPlaying();
    float position();
    void stop();
    void shutdownAudio();

    uint32_t stream = 0;
    float bpm = 0.0f;
};
