#pragma once

#include "Channel.h"
#include "Curve.h"
#include "Score.h"

namespace musicgen {

// The hook's voice: two detuned saws leaning left and right and a pulse in the
// middle, a filter that opens on each note and a vibrato that sets in late.
void renderLead(const Channel& out, const Clip& clip, const Note& note);

// A short plucked note for the arpeggio, placed at `pan` by the caller so the
// pattern bounces between the sides.
void renderPluck(const Channel& out, const Clip& clip, const Note& note, const Curve& cutoff, double pan);

}
