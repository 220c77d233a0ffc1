#pragma once

namespace musicgen {

// Every voice's level starts and ends at exactly zero through short linear
// ramps, so no note boundary leaves a step in the waveform.
constexpr double kTailFadeSeconds = 0.005;

struct Adsr {
    double attack;  // seconds of linear rise
    double decay;   // time constant of the fall towards sustain
    double sustain; // level while held
    double release; // seconds of linear fall after the gate
};

// Level at t seconds after the start of a note held for gate seconds.
double adsrLevel(const Adsr& env, double t, double gate);
inline double adsrSeconds(const Adsr& env, double gate) { return gate + env.release; }

struct Perc {
    double attack; // seconds of linear rise
    double decay;  // time constant of the exponential fall
    double length; // seconds until the level is forced to zero
};

double percLevel(const Perc& env, double t);

}
