#pragma once

#include <SDL.h>

// Which server answers SDL's pulseaudio driver. PulseAudio itself and PipeWire's
// PulseAudio service take the same stream parameters but hold a stream's audio
// for different times before it is heard, and neither SDL nor PipeWire's service
// (it reports a latency of 0) tells the client how long.
enum class PulseServerKind { Unknown, PulseAudio, PipeWire };

// Asks the server the driver reaches for its name, waiting timeoutMs at most.
// Unknown when no server answers in time.
PulseServerKind askPulseServerKind(Uint32 timeoutMs);
