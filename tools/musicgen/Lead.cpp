#include "Lead.h"

#include "Envelopes.h"
#include "Filters.h"
#include "Oscillators.h"

#include <cmath>

namespace musicgen {

namespace {

constexpr Adsr kLeadEnv{0.006, 0.35, 0.65, 0.07};
constexpr double kLeadGate = 0.95; // of the written length, so repeated notes re-attack
constexpr double kLeadDetuneCents = 6.0;
constexpr double kVibratoDelay = 0.18;
constexpr double kVibratoRamp = 0.25;
constexpr double kVibratoSemitones = 0.15;
constexpr double kVibratoHz = 5.2;
constexpr double kLeadLevel = 0.3;
constexpr Perc kPluckEnv{0.002, 0.16, 0.45};
constexpr double kPluckLevel = 0.35;
constexpr int kControlFrames = 16;

double vibrato(double t)
{
    double depth = std::fmin(1.0, std::fmax(0.0, (t - kVibratoDelay) / kVibratoRamp));
    return std::pow(2.0, depth * kVibratoSemitones * std::sin(2.0 * kPi * kVibratoHz * t) / 12.0);
}

}

void renderLead(const Channel& out, const Clip& clip, const Note& note)
{
    double hz = midiToHz(note.pitch);
    double spread = std::pow(2.0, kLeadDetuneCents / 1200.0);
    double gate = note.length * secondsPerStep() * kLeadGate;
    int64_t at = clip.frameOfStep(note.step);
    int64_t frames = clip.framesToRender(at, secondsToFrames(adsrSeconds(kLeadEnv, gate)));
    Oscillator sawLeft, sawRight(0.37), pulse(0.71);
    Svf left, right;
    for (int64_t i = 0; i < frames; ++i) {
        double t = static_cast<double>(i) / kSampleRate;
        if (i % kControlFrames == 0) {
            double cut = 1500.0 + 3800.0 * std::exp(-t / 0.2);
            left.setup(cut, 1.0);
            right.setup(cut, 1.0);
        }
        double f = hz * vibrato(t);
        double a = sawLeft.saw(f / spread);
        double b = sawRight.saw(f * spread);
        double c = 0.4 * pulse.pulse(f, 0.35);
        double level = kLeadLevel * note.velocity * adsrLevel(kLeadEnv, t, gate);
        out.write(at + i, level * left.lowpass(0.8 * a + 0.4 * b + c), level * right.lowpass(0.4 * a + 0.8 * b + c));
    }
}

void renderPluck(const Channel& out, const Clip& clip, const Note& note, const Curve& cutoff, double pan)
{
    double hz = midiToHz(note.pitch);
    int64_t at = clip.frameOfStep(note.step);
    int64_t frames = clip.framesToRender(at, secondsToFrames(kPluckEnv.length));
    double leftGain = 1.0, rightGain = 1.0;
    panGains(pan, leftGain, rightGain);
    Oscillator square, saw;
    Svf filter;
    for (int64_t i = 0; i < frames; ++i) {
        double t = static_cast<double>(i) / kSampleRate;
        if (i % kControlFrames == 0) {
            filter.setup(cutoff.at(clip.barAt(at + i)) * (1.0 + 4.0 * std::exp(-t / 0.04)), 1.3);
        }
        double x = filter.lowpass(square.pulse(hz, 0.25) + 0.5 * saw.saw(hz * 2.0));
        double level = kPluckLevel * note.velocity * percLevel(kPluckEnv, t);
        out.write(at + i, level * leftGain * x, level * rightGain * x);
    }
}

}
