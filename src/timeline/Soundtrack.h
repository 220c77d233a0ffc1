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

    // For live authoring; the player itself never pauses or seeks.
    void pause();
    // Continues a paused soundtrack from exactly where it was held.
    void resume();
    bool isPaused();
    // Moves to `seconds`, kept within the music; a playing soundtrack goes on from there.
    void seek(double seconds);
    // The position at full precision, for row arithmetic over long pieces.
    double exactPosition();
    void shutdownAudio();

    uint32_t stream = 0;
    float bpm = 0.0f;
};
