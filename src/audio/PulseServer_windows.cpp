#include "audio/PulseServer.h"

// Windows has no PulseAudio client library, and SDL no pulseaudio driver there
// to ask it about.
PulseServerKind askPulseServerKind(Uint32)
{
    return PulseServerKind::Unknown;
}
