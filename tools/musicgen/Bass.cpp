#include "Bass.h"

#include "Envelopes.h"
#include "Filters.h"
#include "Oscillators.h"

#include <cmath>

namespace musicgen {

namespace {

constexpr Adsr kBassEnv{0.003, 0.18, 0.75, 0.025};
constexpr double kFilterSnap = 2.5;       // how far the cutoff jumps above the curve on a note
constexpr double kFilterSnapDecay = 0.09; // seconds
constexpr double kDetuneCents = 7.0;
constexpr double kDrive = 1.4;
constexpr int kControlFrames = 16;

}

void renderBass(const Channel& out, const Clip& clip, const Note& note, const Curve& cutoff)
{
    double hz = midiToHz(note.pitch);
    double detuned = hz * std::pow(2.0, kDetuneCents / 1200.0);
    double gate = note.length * secondsPerStep();
    int64_t at = clip.frameOfStep(note.step);
    int64_t frames = clip.framesToRender(at, secondsToFrames(adsrSeconds(kBassEnv, gate)));
    Oscillator saw, pulse(0.25), sub;
    Svf filter;
    for (int64_t i = 0; i < frames; ++i) {
        double t = static_cast<double>(i) / kSampleRate;
        if (i % kControlFrames == 0) {
            double snap = 1.0 + kFilterSnap * std::exp(-t / kFilterSnapDecay);
            filter.setup(cutoff.at(clip.barAt(at + i)) * snap, 1.1);
        }
        double tone = filter.lowpass(0.6 * saw.saw(hz) + 0.4 * pulse.pulse(detuned, 0.5));
        double x = (0.6 * tone + 0.55 * sub.sine(hz)) * adsrLevel(kBassEnv, t, gate);
        out.writeMono(at + i, note.velocity * std::tanh(kDrive * x) / kDrive);
    }
}

}
