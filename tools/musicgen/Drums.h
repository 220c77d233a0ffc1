#pragma once

#include "Channel.h"

#include <cstdint>

namespace musicgen {

// Each renders one hit that starts at clip frame `at` (negative when it began
// before the clip). The seed picks the hit's noise, so repeats differ subtly.
void renderKick(const Channel& out, const Clip& clip, int64_t at, double velocity, uint32_t seed);
void renderSnare(const Channel& out, const Clip& clip, int64_t at, double velocity, uint32_t seed);
void renderClap(const Channel& out, const Clip& clip, int64_t at, double velocity, uint32_t seed);
void renderHat(const Channel& out, const Clip& clip, int64_t at, double velocity, uint32_t seed, bool open);
void renderCrash(const Channel& out, const Clip& clip, int64_t at, double velocity, uint32_t seed);
// A swell of filtered noise whose band climbs over `length` frames, cut off just before the drop.
void renderRiser(const Channel& out, const Clip& clip, int64_t at, int64_t length, double velocity, uint32_t seed);

}
