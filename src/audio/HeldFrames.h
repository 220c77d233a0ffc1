#pragma once

#include "audio/PulseServer.h"

// How many of the frames handed to the device are still on their way to the
// listener when SDL asks for the next buffer: what the clock takes as not yet
// heard. Each audio path holds its own amount, and none of them says how much.

// PulseAudio, or PipeWire's PulseAudio service, reached by SDL's pulseaudio driver.
int pulseServerHeldFrames(PulseServerKind kind, int bufferFrames, int frameRate);

// Windows' shared-mode audio engine, reached by SDL's wasapi driver, whose buffer
// SDL sizes to one period of the device.
int wasapiHeldFrames(int periodFrames, int frameRate);

// The rule for SDL's current driver; a sound card or a silent driver holds the
// buffer it is playing.
int deviceHeldFrames(const char* driver, PulseServerKind server, int bufferFrames, int frameRate);

// How late past one buffer the next request may come while the path still
// plays: how far the clock runs on without a callback. A stopped path sends
// none, and the picture must not run ahead of it for long.
int deviceLateFrames(const char* driver, PulseServerKind server, int frameRate);
