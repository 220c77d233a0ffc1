#include "Channel.h"

#include <cmath>

namespace musicgen {

void panGains(double pan, double& left, double& right)
{
    double angle = (pan + 1.0) * kPi / 4.0;
    left = std::cos(angle) * std::sqrt(2.0);
    right = std::sin(angle) * std::sqrt(2.0);
}

Channel::Channel(Buses& buses, const Settings& settings) : buses(buses), settings(settings)
{
    panGains(settings.pan, leftGain, rightGain);
    double gain = dbToGain(settings.gainDb);
    leftGain *= gain;
    rightGain *= gain;
}

void Channel::write(int64_t frame, double left, double right) const
{
    if (!buses.dry.contains(frame)) {
        return;
    }
    double duck = 1.0 - settings.duckDepth * buses.duck[static_cast<size_t>(frame)];
    double l = left * leftGain * duck;
    double r = right * rightGain * duck;
    buses.dry.add(frame, l, r);
    if (settings.delaySend > 0.0) {
        buses.delaySend.add(frame, l * settings.delaySend, r * settings.delaySend);
    }
    if (settings.reverbSend > 0.0) {
        buses.reverbSend.add(frame, l * settings.reverbSend, r * settings.reverbSend);
    }
}

}
