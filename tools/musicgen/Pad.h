#pragma once

#include "Channel.h"
#include "Curve.h"
#include "Score.h"

#include <cstdint>

namespace musicgen {

// One pad voice: three detuned saws, the outer two pushed to opposite sides and
// filtered per side, so the chord spreads wide while its centre stays solid.
void renderPad(const Channel& out, const Clip& clip, const Note& note, const Curve& cutoff, uint32_t seed);

}
