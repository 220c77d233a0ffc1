#include "timeline/Soundtrack.h"

// Stand-in until the audio back-end exists: the music "plays" until the user quits.
bool Soundtrack::initAudio() { return true; }
bool Soundtrack::load(const char*, float newBpm) { bpm = newBpm; return true; }
void Soundtrack::play() {}
bool Soundtrack::isPlaying() { return true; }
float Soundtrack::position() { return 0.0f; }
void Soundtrack::stop() {}
void Soundtrack::shutdownAudio() {}
