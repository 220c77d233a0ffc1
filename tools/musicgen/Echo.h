#pragma once

#include "StereoBuffer.h"

#include <cstdint>

namespace musicgen {

// A ping-pong echo: the first repeat comes from the left, the next from the
// right, each a little darker. Returns the echoes added into `out` and, at
// `toRoom`, into `room`, so the repeats sit in the same space as the rest.
void applyEcho(const StereoBuffer& send, int64_t delayFrames, double feedback, double toRoom, StereoBuffer& out,
               StereoBuffer& room);

}
