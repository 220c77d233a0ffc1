#include "Oscillators.h"

#include "Dsp.h"

#include <cmath>

namespace musicgen {

namespace {

// Residual of a band-limited step around a phase wrap at t = 0.
double polyBlep(double t, double dt)
{
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt) {
        t = (t - 1.0) / dt;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

}

Rng::Rng(uint32_t seed) : state(seed != 0 ? seed : 0x9E3779B9u) {}

uint32_t Rng::next()
{
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

double Rng::unit() { return next() / 4294967296.0; }

double Rng::bipolar() { return unit() * 2.0 - 1.0; }

Oscillator::Oscillator(double startPhase) : phase(startPhase - std::floor(startPhase)) {}

double Oscillator::advance(double hz)
{
    double before = phase;
    phase += hz / kSampleRate;
    phase -= std::floor(phase);
    return before;
}

double Oscillator::sine(double hz) { return std::sin(2.0 * kPi * advance(hz)); }

double Oscillator::saw(double hz)
{
    double dt = hz / kSampleRate;
    double p = advance(hz);
    return 2.0 * p - 1.0 - polyBlep(p, dt);
}

double Oscillator::pulse(double hz, double width)
{
    double dt = hz / kSampleRate;
    double p = advance(hz);
    double value = p < width ? 1.0 : -1.0;
    value += polyBlep(p, dt);
    double fall = p + (1.0 - width);
    fall -= std::floor(fall);
    value -= polyBlep(fall, dt);
    return value - (2.0 * width - 1.0);
}

}
