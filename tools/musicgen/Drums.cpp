#include "Drums.h"

#include "Envelopes.h"
#include "Filters.h"
#include "Oscillators.h"

#include <cmath>

namespace musicgen {

namespace {

constexpr Perc kKickBody{0.0015, 0.16, 0.5};
constexpr Perc kKickClick{0.0004, 0.003, 0.015};
constexpr double kKickDrive = 1.8;
constexpr Perc kSnareTone{0.001, 0.05, 0.25};
constexpr Perc kSnareNoise{0.001, 0.12, 0.4};
constexpr Perc kClapBurst{0.0005, 0.005, 0.03};
constexpr Perc kClapTail{0.002, 0.09, 0.4};
constexpr double kClapBurstGap = 0.011;
constexpr Perc kClosedHat{0.0005, 0.022, 0.09};
constexpr Perc kOpenHat{0.0008, 0.16, 0.5};
constexpr Perc kCrash{0.002, 0.55, 2.2};
// Inharmonic square partials give the hats and cymbals their metal.
constexpr double kMetalHz[6] = {205.3, 304.4, 369.6, 522.7, 540.0, 800.0};
constexpr double kMetalRatio = 2.4;

int64_t framesOf(const Perc& env) { return secondsToFrames(env.length); }

// The summed inharmonic squares, before filtering.
struct Metal {
    Oscillator partials[6];
    double next(double scale)
    {
        double sum = 0.0;
        for (int i = 0; i < 6; ++i) {
            sum += partials[i].pulse(kMetalHz[i] * scale, 0.5);
        }
        return sum / 6.0;
    }
};

}

void renderKick(const Channel& out, const Clip& clip, int64_t at, double velocity, uint32_t seed)
{
    Oscillator body;
    Rng noise(seed);
    OnePole clickTone;
    clickTone.setup(3000.0);
    int64_t frames = clip.framesToRender(at, framesOf(kKickBody));
    for (int64_t i = 0; i < frames; ++i) {
        double t = static_cast<double>(i) / kSampleRate;
        double hz = 46.0 + 150.0 * std::exp(-t / 0.03);
        double x = body.sine(hz) * percLevel(kKickBody, t);
        x += 0.4 * clickTone.lowpass(noise.bipolar()) * percLevel(kKickClick, t);
        out.writeMono(at + i, velocity * std::tanh(kKickDrive * x) / std::tanh(kKickDrive));
    }
}

void renderSnare(const Channel& out, const Clip& clip, int64_t at, double velocity, uint32_t seed)
{
    Oscillator tone;
    Rng noise(seed);
    Svf highpass, lowpass;
    highpass.setup(1500.0, 0.7);
    lowpass.setup(8000.0, 0.7);
    int64_t frames = clip.framesToRender(at, framesOf(kSnareNoise));
    for (int64_t i = 0; i < frames; ++i) {
        double t = static_cast<double>(i) / kSampleRate;
        double body = 0.55 * tone.sine(180.0 + 80.0 * std::exp(-t / 0.012)) * percLevel(kSnareTone, t);
        double hiss = lowpass.lowpass(highpass.highpass(noise.bipolar())) * percLevel(kSnareNoise, t);
        out.writeMono(at + i, velocity * (body + 0.8 * hiss));
    }
}

void renderClap(const Channel& out, const Clip& clip, int64_t at, double velocity, uint32_t seed)
{
    Rng noise(seed);
    Svf left, right;
    left.setup(1150.0, 1.3);
    right.setup(1250.0, 1.3);
    int64_t frames = clip.framesToRender(at, framesOf(kClapTail) + secondsToFrames(3 * kClapBurstGap));
    for (int64_t i = 0; i < frames; ++i) {
        double t = static_cast<double>(i) / kSampleRate;
        double env = 0.0;
        for (int burst = 0; burst < 3; ++burst) {
            env += percLevel(kClapBurst, t - burst * kClapBurstGap);
        }
        env += percLevel(kClapTail, t - 3 * kClapBurstGap);
        // Partly independent noise per side gives the clap a little width.
        double shared = noise.bipolar();
        double l = left.bandpass(shared + 0.6 * noise.bipolar());
        double r = right.bandpass(shared + 0.6 * noise.bipolar());
        out.write(at + i, velocity * env * l, velocity * env * r);
    }
}

void renderHat(const Channel& out, const Clip& clip, int64_t at, double velocity, uint32_t seed, bool open)
{
    const Perc& env = open ? kOpenHat : kClosedHat;
    Metal metal;
    Rng noise(seed);
    Svf left, right;
    left.setup(open ? 7000.0 : 8000.0, 0.8);
    right.setup(open ? 7200.0 : 8300.0, 0.8);
    int64_t frames = clip.framesToRender(at, framesOf(env));
    for (int64_t i = 0; i < frames; ++i) {
        double t = static_cast<double>(i) / kSampleRate;
        double ring = metal.next(kMetalRatio);
        double level = velocity * percLevel(env, t);
        double l = left.highpass(0.6 * ring + 0.5 * noise.bipolar());
        double r = right.highpass(0.6 * ring + 0.5 * noise.bipolar());
        out.write(at + i, level * l, level * r);
    }
}

void renderCrash(const Channel& out, const Clip& clip, int64_t at, double velocity, uint32_t seed)
{
    Metal metal;
    Rng noise(seed);
    Svf left, right;
    left.setup(4500.0, 0.7);
    right.setup(4800.0, 0.7);
    int64_t frames = clip.framesToRender(at, framesOf(kCrash));
    for (int64_t i = 0; i < frames; ++i) {
        double t = static_cast<double>(i) / kSampleRate;
        double ring = metal.next(1.9);
        double level = velocity * percLevel(kCrash, t);
        double l = left.highpass(0.35 * ring + 0.7 * noise.bipolar());
        double r = right.highpass(0.35 * ring + 0.7 * noise.bipolar());
        out.write(at + i, level * l, level * r);
    }
}

void renderRiser(const Channel& out, const Clip& clip, int64_t at, int64_t length, double velocity, uint32_t seed)
{
    constexpr double kFromHz = 350.0;
    constexpr double kToHz = 9000.0;
    constexpr int kControlFrames = 16;
    Rng noise(seed);
    Svf left, right;
    int64_t frames = clip.framesToRender(at, length);
    for (int64_t i = 0; i < frames; ++i) {
        double progress = static_cast<double>(i) / static_cast<double>(length);
        if (i % kControlFrames == 0) {
            double hz = kFromHz * std::pow(kToHz / kFromHz, progress);
            left.setup(hz, 1.8);
            right.setup(hz * 1.03, 1.8);
        }
        double tail = static_cast<double>(length - i) / kSampleRate;
        double level = velocity * progress * progress * std::fmin(1.0, tail / kTailFadeSeconds);
        out.write(at + i, level * left.bandpass(noise.bipolar()), level * right.bandpass(noise.bipolar()));
    }
}

}
