#pragma once

#include <cstdint>

// A small audio back-end: one output device (SDL audio) and MP3 streams decoded
// by libmpg123. All calls come from one thread; the device plays on its own.
// Every call sets the code that audioErrorGetCode reports (kAudioOk on success).

enum AudioErrorCode : int {
    kAudioOk = 0,
    kAudioErrorInit = 1,        // the audio subsystem could not start (no usable driver)
    kAudioErrorDevice = 2,      // the output device could not be opened
    kAudioErrorAlready = 3,     // the device is already open
    kAudioErrorNoInit = 4,      // no device is open
    kAudioErrorParam = 5,       // an argument is out of range
    kAudioErrorFileOpen = 6,    // the file is missing or cannot be read
    kAudioErrorFileFormat = 7,  // the file holds no playable MPEG layer III audio
    kAudioErrorDecoder = 8,     // the decoder could not be set up
    kAudioErrorMemory = 9,      // the file is too large, or memory ran out
    kAudioErrorHandle = 10,     // not a stream of the open device
    kAudioErrorConvert = 11,    // no conversion from the stream's format to the device's
};

// What audioChannelIsActive reports.
enum AudioActiveState : int {
    kAudioStopped = 0,  // never played, stopped, or played to its last sample
    kAudioPlaying = 1,
    kAudioStalled = 2,  // asked to play, but the output device no longer runs
    kAudioPaused = 3,   // held by audioChannelPause; a play without restart resumes it
};

// Modes of audioChannelGetPosition.
enum AudioPositionMode : int {
    kAudioPositionHeard = 0,   // what the listener hears now
    kAudioPositionHanded = 1,  // the end of what has been handed to the device
};

// Positions are byte offsets into the decoded stream: signed 16-bit samples at the
// file's own rate and channel count, without the encoder's delay and padding.
constexpr uint64_t kAudioPositionFailed = ~0ull;

struct AudioDeviceInfo {
    int frequency = 0;     // frames per second the device plays
    int channels = 0;
    int bufferFrames = 0;  // the device buffer SDL obtained, in frames
    uint32_t sdlDevice = 0;  // SDL's id of the device, whose lock holds off its callbacks
};

// Opens the default output device, asking for `frequency` frames per second.
bool audioInit(int frequency);
// How often the device asks for audio, in milliseconds (5 to 100); the device
// buffer is chosen from it. Reopens the device when the buffer changes.
bool audioSetUpdatePeriod(int milliseconds);
bool audioGetInfo(AudioDeviceInfo* info);
// The next device callback takes this many milliseconds longer, as one starved
// of the processor would: the loopback benchmark's fault. No call of the player's.
bool audioDelayNextCallback(int milliseconds);
// Frees every stream and closes the device.
bool audioFree();
int audioErrorGetCode();

// Opens an MP3 file as a stream, scanning it whole so positions are sample-exact.
// Returns the stream's handle, or 0 on failure.
uint32_t audioStreamCreateFile(const char* path);
bool audioStreamFree(uint32_t stream);

// Starts playback; without restart a stream continues from its current position.
bool audioChannelPlay(uint32_t stream, bool restart);
AudioActiveState audioChannelIsActive(uint32_t stream);
// kAudioPositionFailed on failure.
uint64_t audioChannelGetPosition(uint32_t stream, AudioPositionMode mode);
uint64_t audioChannelGetLength(uint32_t stream);
// Seconds in the stream's own rate; negative on failure.
double audioChannelBytes2Seconds(uint32_t stream, uint64_t bytes);
// The byte offset of the frame playing at `seconds` (frames rounded down);
// kAudioPositionFailed on failure.
uint64_t audioChannelSeconds2Bytes(uint32_t stream, double seconds);
// Stops playback where the listener is now; a later play continues from there.
bool audioChannelStop(uint32_t stream);
// Holds playback where the listener is now; audioChannelIsActive then reports
// kAudioPaused and audioChannelPlay(stream, false) resumes from exactly there.
bool audioChannelPause(uint32_t stream);
// Moves to the frame at `bytes` (rounded down to a whole frame, at most the
// length), sample-exact. A playing stream goes on playing from there; a paused or
// stopped one starts there on its next play. The heard position is the new one at once.
bool audioChannelSetPosition(uint32_t stream, uint64_t bytes);
