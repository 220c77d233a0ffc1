#pragma once

#include "Fft.h"

#include <complex>
#include <cstdint>
#include <vector>

// Finds where percussion strikes in music that has no events file. The detection
// function is the rise of the log level of the band above 8 kHz, frame to frame:
// hats, snares, cymbals and the kick's click all light that band at their attack,
// while notes of bass, pads, leads and arps barely reach it (on melody.mp3, adding the
// low band for the kick's thump, or the mids, let bass and arp notes through and cost
// precision). An onset is a peak of that rise above its local mean by a margin, at
// least a minimum gap after the last.
// The music comes in pieces (start, add, finish), so a decoder can feed it as it goes.
class OnsetFinder {
public:
    // rate is that of the mono samples to come; false when it is not positive.
    bool start(int rate);
    void add(const float* mono, int64_t frames);
    // The onsets of everything added, in seconds from the first sample, each at its attack.
    std::vector<double> finish();

private:
    void addDecimated(float sample);
    void analyseFrames();
    std::vector<double> pickPeaks(const std::vector<float>& rise) const;

    int inputRate = 0;
    int decimation = 1;
    float decimationSum = 0.0f;
    int decimationFill = 0;
    int bandFirst = 0;  // FFT bins of the band
    int bandEnd = 0;
    Fft fft;
    std::vector<float> window;
    std::vector<float> pending;  // decimated samples not yet past every frame
    size_t pendingStart = 0;
    std::vector<float> frame;
    std::vector<std::complex<float>> bins;
    std::vector<float> bandLevels;  // rms magnitude of the band, a frame each
};
