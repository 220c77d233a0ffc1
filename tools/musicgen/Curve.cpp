#include "Curve.h"

#include <algorithm>
#include <cmath>

namespace musicgen {

void Curve::add(double bar, double value)
{
    // A point that goes back in time would make the search below ambiguous; clamp it.
    if (!points.empty()) {
        bar = std::max(bar, points.back().bar);
    }
    points.push_back({bar, value});
}

double Curve::at(double bar) const
{
    if (points.empty()) {
        return 0.0;
    }
    if (bar <= points.front().bar) {
        return points.front().value;
    }
    if (bar >= points.back().bar) {
        return points.back().value;
    }
    auto next = std::upper_bound(points.begin(), points.end(), bar,
                                 [](double b, const Point& p) { return b < p.bar; });
    const Point& a = *(next - 1);
    const Point& b = *next;
    double f = (bar - a.bar) / (b.bar - a.bar);
    if (geometric && a.value > 0.0 && b.value > 0.0) {
        return a.value * std::pow(b.value / a.value, f);
    }
    return a.value + (b.value - a.value) * f;
}

}
