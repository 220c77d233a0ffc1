#include "Pad.h"

#include "Envelopes.h"
#include "Filters.h"
#include "Oscillators.h"

#include <cmath>

namespace musicgen {

namespace {

constexpr Adsr kPadEnv{0.35, 1.2, 0.8, 0.6};
constexpr double kDetuneCents = 11.0;
constexpr double kDriftCents = 3.0; // a slow wobble per side keeps the chord alive
constexpr double kDriftHz = 0.31;
constexpr double kLevel = 0.22;
constexpr int kControlFrames = 16;

double cents(double c) { return std::pow(2.0, c / 1200.0); }

}

void renderPad(const Channel& out, const Clip& clip, const Note& note, const Curve& cutoff, uint32_t seed)
{
    Rng rng(seed);
    // Random start phases stop the voices of a chord from starting in step.
    Oscillator low(rng.unit()), centre(rng.unit()), high(rng.unit());
    double driftPhase = rng.unit() * 2.0 * kPi;
    double hz = midiToHz(note.pitch);
    double gate = note.length * secondsPerStep();
    int64_t at = clip.frameOfStep(note.step);
    int64_t frames = clip.framesToRender(at, secondsToFrames(adsrSeconds(kPadEnv, gate)));
    Svf left, right;
    for (int64_t i = 0; i < frames; ++i) {
        double t = static_cast<double>(i) / kSampleRate;
        if (i % kControlFrames == 0) {
            double hzCut = cutoff.at(clip.barAt(at + i));
            left.setup(hzCut, 0.8);
            right.setup(hzCut * 1.05, 0.8);
        }
        double drift = kDriftCents * std::sin(2.0 * kPi * kDriftHz * t + driftPhase);
        double lowHz = hz * cents(-kDetuneCents + drift);
        double highHz = hz * cents(kDetuneCents - drift);
        double middle = 0.6 * centre.saw(hz);
        double l = left.lowpass(low.saw(lowHz) + middle);
        double r = right.lowpass(high.saw(highHz) + middle);
        double level = kLevel * note.velocity * adsrLevel(kPadEnv, t, gate);
        out.write(at + i, level * l, level * r);
    }
}

}
