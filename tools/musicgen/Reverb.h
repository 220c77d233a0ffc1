#pragma once

#include "StereoBuffer.h"

namespace musicgen {

// A plate-like room: parallel damped combs into series all-passes per side,
// the right side's delays slightly longer than the left's for width.
// The wet signal is added into `out`.
void applyReverb(const StereoBuffer& send, double wet, StereoBuffer& out);

}
