#pragma once

#include <vector>

namespace musicgen {

// A value over the song's bars, linear between points and flat outside them.
// Frequency curves interpolate geometrically so a sweep rises evenly to the ear.
class Curve {
public:
    explicit Curve(bool geometric = false) : geometric(geometric) {}
    // Points are appended in ascending bar order.
    void add(double bar, double value);
    double at(double bar) const;

private:
    struct Point {
        double bar;
        double value;
    };
    bool geometric;
    std::vector<Point> points;
};

}
