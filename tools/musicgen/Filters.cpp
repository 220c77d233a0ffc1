#include "Filters.h"

#include "Dsp.h"

#include <algorithm>
#include <cmath>

namespace musicgen {

void Svf::setup(double cutoffHz, double q)
{
    double hz = std::clamp(cutoffHz, 10.0, 0.45 * kSampleRate);
    double g = std::tan(kPi * hz / kSampleRate);
    k = 1.0 / q;
    a1 = 1.0 / (1.0 + g * (g + k));
    a2 = g * a1;
    a3 = g * a2;
}

void Svf::tick(double x)
{
    double v3 = x - ic2;
    double v1 = a1 * ic1 + a2 * v3;
    double v2 = ic2 + a2 * ic1 + a3 * v3;
    ic1 = 2.0 * v1 - ic1;
    ic2 = 2.0 * v2 - ic2;
    low = v2;
    band = v1;
    input = x;
}

double Svf::lowpass(double x)
{
    tick(x);
    return low;
}

double Svf::bandpass(double x)
{
    tick(x);
    return k * band; // unity gain at the centre, whatever the width
}

double Svf::highpass(double x)
{
    tick(x);
    return input - k * band - low;
}

void OnePole::setup(double cutoffHz)
{
    coefficient = 1.0 - std::exp(-2.0 * kPi * cutoffHz / kSampleRate);
}

double OnePole::lowpass(double x)
{
    state += coefficient * (x - state);
    return state;
}

}
