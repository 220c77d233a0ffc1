#pragma once

#include "StereoBuffer.h"

#include <vector>

namespace musicgen {

// Per frame, the highest absolute value of either side from that sample to the
// next, found by 4x windowed-sinc interpolation: what a converter reconstructs.
std::vector<double> framePeaks(const StereoBuffer& audio);

}
