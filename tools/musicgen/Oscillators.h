#pragma once

#include <cstdint>

namespace musicgen {

// Xorshift generator seeded by the caller: the same song on every run and
// every machine, with no dependence on the C library's generator.
class Rng {
public:
    explicit Rng(uint32_t seed);
    uint32_t next();
    double unit();    // [0, 1)
    double bipolar(); // [-1, 1)

private:
    uint32_t state;
};

// A phase accumulator with band-limited shapes. The PolyBLEP corrections keep
// the upper harmonics of high notes from folding back as audible whistles.
class Oscillator {
public:
    explicit Oscillator(double startPhase = 0.0);
    double sine(double hz);
    double saw(double hz);
    // A pulse with its DC offset removed, so narrow widths do not thump when enveloped.
    double pulse(double hz, double width);

private:
    double advance(double hz); // returns the phase before the step
    double phase;
};

}
