#pragma once

#include "Channel.h"
#include "Curve.h"
#include "Score.h"

namespace musicgen {

// A saw and a pulse through a resonant low-pass that snaps open on each note,
// over a sine at the fundamental for weight. The cutoff curve follows the bars.
void renderBass(const Channel& out, const Clip& clip, const Note& note, const Curve& cutoff);

}
