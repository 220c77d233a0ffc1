#pragma once

#include "audio/Mp3Decoder.h"

#include <SDL.h>

#include <cstdint>
#include <vector>

// One MP3 stream on the output device. The audio thread decodes it bit by bit and
// converts it to the device's format; positions stay in the stream's own frames.
// Everything but mix() runs on the main thread with the device locked.
class AudioChannel {
public:
    AudioChannel() = default;
    ~AudioChannel();
    AudioChannel(const AudioChannel&) = delete;
    AudioChannel& operator=(const AudioChannel&) = delete;

    // Returns kAudioOk or an AudioErrorCode.
    int create(const char* path, const SDL_AudioSpec& device);
    // Points the converter at a (re)opened device; the channel must be stopped.
    int attach(const SDL_AudioSpec& device);
    void release();

    // Audio thread: adds this channel's next frames to out, whose first frame is
    // deviceFrame on the device clock.
    void mix(float* out, int frames, int64_t deviceFrame);

    bool play(bool restart);
    // heardDevice: the device clock's frame now.
    void stop(double heardDevice);
    // Like stop, but the channel reports itself paused until it plays again.
    void pause(double heardDevice);
    // Ends the run where the listener is (see stop) and keeps the paused state, for
    // a device that reopens.
    void hold(double heardDevice);
    // Moves to `frame`; a playing channel goes on playing from there.
    bool seek(int64_t frame);
    bool isPlaying(double heardDevice);
    bool isPaused() const { return paused; }
    int64_t heardFrame(double heardDevice) const;
    int64_t handedFrame() const;

    Mp3Decoder decoder;

private:
    void decodeUntilAvailable(int bytes);
    void finishDecoding();
    bool finishedRun(double heardDevice) const;
    void beginRun(int64_t frame);
    int64_t toStreamFrames(double outputFrames) const;

    SDL_AudioStream* converter = nullptr;
    int outputChannels = 0;
    double streamPerOutput = 1.0;
    std::vector<int16_t> decoded;
    std::vector<float> converted;

    // A run is one stretch of playback, from a play to its stop or end.
    bool playing = false;
    bool paused = false;
    int64_t runOrigin = 0;          // stream frame where the run began
    int64_t runStartDevice = -1;    // device frame of its first output frame, -1 until mixed
    int64_t runDecoded = 0;         // stream frames decoded in the run
    int64_t runHanded = 0;          // output frames handed to the device in the run
    int64_t runMusicOutput = 0;     // output frames the run's music makes, known once decoded
    bool decoderDone = false;
    bool drained = false;           // every decoded frame has been handed over
};
