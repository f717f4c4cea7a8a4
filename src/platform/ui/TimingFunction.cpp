#include "platform/ui/TimingFunction.h"

#include <algorithm>
#include <cmath>

namespace ui {
namespace {

// One coordinate of the curve with end points 0 and 1 at parameter t.
double bezier(double t, double p1, double p2)
{
    const double u = 1 - t;
    return 3 * u * u * t * p1 + 3 * u * t * t * p2 + t * t * t;
}

double bezierSlope(double t, double p1, double p2)
{
    const double u = 1 - t;
    return 3 * u * u * p1 + 6 * u * t * (p2 - p1) + 3 * t * t * (1 - p2);
}

}  // namespace

double TimingFunction::operator()(double fraction) const
{
    const double x = std::clamp(fraction, 0.0, 1.0);
    if (x1_ == y1_ && x2_ == y2_) return x;

    // Find the curve parameter whose x is the fraction: Newton first, bisection when the
    // slope is too flat to trust.
    double t = x;
    for (int i = 0; i < 8; ++i) {
        const double error = bezier(t, x1_, x2_) - x;
        if (std::fabs(error) < 1e-9) return bezier(t, y1_, y2_);
        const double slope = bezierSlope(t, x1_, x2_);
        if (std::fabs(slope) < 1e-6) break;
        t = std::clamp(t - error / slope, 0.0, 1.0);
    }
    double low = 0;
    double high = 1;
    t = x;
    for (int i = 0; i < 60; ++i) {
        const double value = bezier(t, x1_, x2_);
        if (std::fabs(value - x) < 1e-9) break;
        (value < x ? low : high) = t;
        t = (low + high) / 2;
    }
    return bezier(t, y1_, y2_);
}

}  // namespace ui
