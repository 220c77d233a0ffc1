#pragma once

#include "StereoBuffer.h"

namespace musicgen {

struct LoudnessReport {
    double integratedLufs = -70.0; // gated K-weighted loudness of the whole buffer
    double samplePeakDb = -240.0;  // highest sample, dBFS
    double truePeakDb = -240.0;    // highest value between samples too, 4x oversampled, dBTP
    double seconds = 0.0;
};

// Integrated loudness as broadcast meters read it: K-weighting (a high shelf
// and a low cut), 400 ms blocks every 100 ms, an absolute gate at -70 LUFS
// and a relative gate 10 LU under the mean of what passed the first.
double integratedLoudness(const StereoBuffer& audio);

// The highest absolute value the reconstructed waveform reaches, as a gain.
double truePeak(const StereoBuffer& audio);

LoudnessReport measure(const StereoBuffer& audio);

}
