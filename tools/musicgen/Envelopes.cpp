#include "Envelopes.h"

#include <algorithm>
#include <cmath>

namespace musicgen {

namespace {

double heldLevel(const Adsr& env, double t)
{
    if (t < env.attack) {
        return t / env.attack;
    }
    return env.sustain + (1.0 - env.sustain) * std::exp(-(t - env.attack) / env.decay);
}

}

double adsrLevel(const Adsr& env, double t, double gate)
{
    if (t < 0.0) {
        return 0.0;
    }
    if (t < gate) {
        return heldLevel(env, t);
    }
    double fall = 1.0 - (t - gate) / env.release;
    return fall > 0.0 ? heldLevel(env, gate) * fall : 0.0;
}

double percLevel(const Perc& env, double t)
{
    if (t < 0.0 || t >= env.length) {
        return 0.0;
    }
    double level = t < env.attack ? t / env.attack : std::exp(-(t - env.attack) / env.decay);
    return level * std::min(1.0, (env.length - t) / kTailFadeSeconds);
}

}
