#include "timeline/Soundtrack.h"

#include "audio/AudioBackend.h"

#include <SDL.h>

namespace {

constexpr int kOutputFrequency = 44100;
constexpr int kUpdatePeriodMs = 16;

// Every audio failure is two lines: what failed, then the back-end's error code.
void logAudioError(const char* message)
{
    SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "%s", message);
    SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "BASS Error Code: %i", audioErrorGetCode());
}

}

bool Soundtrack::initAudio()
{
    if (!audioInit(kOutputFrequency)) {
        logAudioError("Failed to initialize BASS Audio Device!");
        return false;
    }
    if (!audioSetUpdatePeriod(kUpdatePeriodMs)) {
        logAudioError("Failed to set bass audio update period!");
        return false;
    }
    return true;
}

bool Soundtrack::load(const char* path, float newBpm)
{
    // A second load replaces the music instead of leaving the first stream playing.
    if (stream != 0) {
        audioStreamFree(stream);
    }
    stream = audioStreamCreateFile(path);
    if (stream == 0) {
        logAudioError("Failed to create soundtrack in bass audio device!");
        return false;
    }
    bpm = newBpm;
    return true;
}

void Soundtrack::play()
{
    if (!audioChannelPlay(stream, false)) {
        logAudioError("Failed to play soundtrack in bass audio!");
    }
}

bool Soundtrack::isPlaying()
{
    return audioChannelIsActive(stream) == kAudioPlaying;
}

float Soundtrack::position()
{
    return static_cast<float>(exactPosition());
}

double Soundtrack::exactPosition()
{
    uint64_t bytes = audioChannelGetPosition(stream, kAudioPositionHeard);
    // The failure value is not a position; converting it would give hours of music.
    if (bytes == kAudioPositionFailed) {
        logAudioError("Failed to get the soundtrack offset from bass audio!");
        return 0.0;
    }
    double seconds = audioChannelBytes2Seconds(stream, bytes);
    if (seconds < 0.0) {
        logAudioError("Failed to convert bytes to seconds in bass audio!");
        return 0.0;
    }
    return seconds;
}

void Soundtrack::stop()
{
    if (!audioChannelStop(stream)) {
        logAudioError("Failed to stop soundtrack in bass audio!");
    }
}

void Soundtrack::shutdownAudio()
{
    audioFree();
}

void Soundtrack::pause()
{
    if (!audioChannelPause(stream)) {
        logAudioError("Failed to pause soundtrack in bass audio!");
    }
}

void Soundtrack::resume()
{
    if (!audioChannelPlay(stream, false)) {
        logAudioError("Failed to resume soundtrack in bass audio!");
    }
}

bool Soundtrack::isPaused()
{
    return audioChannelIsActive(stream) == kAudioPaused;
}

void Soundtrack::seek(double seconds)
{
    const uint64_t length = audioChannelGetLength(stream);
    uint64_t bytes = seconds > 0.0 ? audioChannelSeconds2Bytes(stream, seconds) : 0;
    // A time past the end (or too large to convert) lands on the end.
    if (length != kAudioPositionFailed && bytes > length) {
        bytes = length;
    }
    if (!audioChannelSetPosition(stream, bytes)) {
        logAudioError("Failed to seek soundtrack in bass audio!");
    }
}
