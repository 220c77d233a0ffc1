#pragma once

namespace musicgen {

// Trapezoidal state-variable filter. It stays stable and quiet while its
// cutoff moves every few samples, which the sweeps of the build-ups need.
class Svf {
public:
    void setup(double cutoffHz, double q);
    double lowpass(double x);
    double bandpass(double x);
    double highpass(double x);

private:
    void tick(double x);
    double a1 = 0.0, a2 = 0.0, a3 = 0.0, k = 1.0;
    double ic1 = 0.0, ic2 = 0.0;
    double low = 0.0, band = 0.0, input = 0.0;
};

class OnePole {
public:
    void setup(double cutoffHz);
    double lowpass(double x);
    double highpass(double x) { return x - lowpass(x); }

private:
    double coefficient = 1.0;
    double state = 0.0;
};

}
