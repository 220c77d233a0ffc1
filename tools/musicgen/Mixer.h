#pragma once

#include "Limiter.h"
#include "Score.h"
#include "StereoBuffer.h"

#include <string>

namespace musicgen {

// Parts that can be rendered on their own (to check a part by ear, or its level).
enum Part : unsigned {
    kPartKick = 1u << 0,
    kPartSnare = 1u << 1,
    kPartClap = 1u << 2,
    kPartHats = 1u << 3,
    kPartCrash = 1u << 4,
    kPartBass = 1u << 5,
    kPartPad = 1u << 6,
    kPartLead = 1u << 7,
    kPartArp = 1u << 8,
    kPartRisers = 1u << 9,
    kPartDrums = kPartKick | kPartSnare | kPartClap | kPartHats | kPartCrash,
    kAllParts = (1u << 10) - 1,
};

// Parses a comma-separated list of part names ("drums" names all five drums);
// false on an unknown name.
bool parseParts(const std::string& text, unsigned& parts);

struct MixRequest {
    int fromBar = 0;
    int toBar = 0; // exclusive
    unsigned parts = kAllParts;
};

// Renders bars [fromBar, toBar) of the score through the effects and the master
// chain into `out`: at most -1.5 dBFS, faded in and out over a few
// milliseconds at the clip's edges. Returns what the limiter did.
LimiterStats renderMix(const Score& score, const MixRequest& request, StereoBuffer& out);

}
