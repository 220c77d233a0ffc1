#include "Loudness.h"

#include "Dsp.h"

#include <cmath>
#include <vector>

namespace musicgen {

namespace {

constexpr double kBlockSeconds = 0.4;
constexpr int kStepsPerBlock = 4; // blocks overlap by three quarters
constexpr double kAbsoluteGateLufs = -70.0;
constexpr double kRelativeGateLu = -10.0;
constexpr double kLoudnessOffset = -0.691;

struct Biquad {
    double b0, b1, b2, a1, a2;
    double x1 = 0.0, x2 = 0.0, y1 = 0.0, y2 = 0.0;
    double process(double x)
    {
        double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }
};

// The two K-weighting stages, derived for any rate from their analog
// prototypes (they reproduce the published 48 kHz coefficients).
Biquad highShelf()
{
    const double f0 = 1681.974450955533, gainDb = 3.999843853973347, q = 0.7071752369554196;
    double k = std::tan(kPi * f0 / kSampleRate);
    double vh = std::pow(10.0, gainDb / 20.0);
    double vb = std::pow(vh, 0.4996667741545416);
    double a0 = 1.0 + k / q + k * k;
    return {(vh + vb * k / q + k * k) / a0, 2.0 * (k * k - vh) / a0, (vh - vb * k / q + k * k) / a0,
            2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0};
}

Biquad lowCut()
{
    const double f0 = 38.13547087613982, q = 0.5003270373253953;
    double k = std::tan(kPi * f0 / kSampleRate);
    double a0 = 1.0 + k / q + k * k;
    return {1.0, -2.0, 1.0, 2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0};
}

// Sum over both channels of the K-weighted energy in each 100 ms step.
std::vector<double> stepEnergies(const StereoBuffer& audio, size_t stepFrames)
{
    std::vector<double> energies(static_cast<size_t>(audio.frames()) / stepFrames, 0.0);
    const std::vector<float>* channels[2] = {&audio.left, &audio.right};
    for (const std::vector<float>* channel : channels) {
        Biquad shelf = highShelf(), cut = lowCut();
        for (size_t i = 0; i < energies.size() * stepFrames; ++i) {
            double y = cut.process(shelf.process((*channel)[i]));
            energies[i / stepFrames] += y * y;
        }
    }
    return energies;
}

double lufs(double meanSquare) { return kLoudnessOffset + 10.0 * std::log10(meanSquare); }

// Mean square of the blocks louder than `gate`; 0 when none is.
double gatedMean(const std::vector<double>& blocks, double gate)
{
    double sum = 0.0;
    size_t count = 0;
    for (double block : blocks) {
        if (block > 0.0 && lufs(block) > gate) {
            sum += block;
            ++count;
        }
    }
    return count > 0 ? sum / static_cast<double>(count) : 0.0;
}

}

double integratedLoudness(const StereoBuffer& audio)
{
    size_t blockFrames = static_cast<size_t>(std::lround(kBlockSeconds * kSampleRate));
    size_t stepFrames = blockFrames / kStepsPerBlock;
    std::vector<double> steps = stepEnergies(audio, stepFrames);
    std::vector<double> blocks;
    for (size_t i = 0; i + kStepsPerBlock <= steps.size(); ++i) {
        double energy = 0.0;
        for (size_t j = 0; j < kStepsPerBlock; ++j) {
            energy += steps[i + j];
        }
        blocks.push_back(energy / static_cast<double>(blockFrames));
    }
    double ungated = gatedMean(blocks, kAbsoluteGateLufs);
    if (ungated <= 0.0) {
        return kAbsoluteGateLufs;
    }
    double gated = gatedMean(blocks, std::fmax(kAbsoluteGateLufs, lufs(ungated) + kRelativeGateLu));
    return lufs(gated);
}

LoudnessReport measure(const StereoBuffer& audio)
{
    LoudnessReport report;
    double peak = 0.0;
    for (int64_t i = 0; i < audio.frames(); ++i) {
        size_t f = static_cast<size_t>(i);
        peak = std::fmax(peak, std::fmax(std::fabs(audio.left[f]), std::fabs(audio.right[f])));
    }
    report.samplePeakDb = gainToDb(peak);
    report.truePeakDb = gainToDb(truePeak(audio));
    report.integratedLufs = integratedLoudness(audio);
    report.seconds = static_cast<double>(audio.frames()) / kSampleRate;
    return report;
}

}
