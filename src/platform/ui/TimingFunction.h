#pragma once

namespace ui {

// A pacing curve: a cubic Bézier from (0,0) to (1,1) through two control points, mapping
// the elapsed fraction of an animation to the fraction of its change.
class TimingFunction {
public:
    static TimingFunction linear() { return TimingFunction(0, 0, 1, 1); }
    static TimingFunction easeInEaseOut() { return TimingFunction(0.42, 0, 0.58, 1); }

    TimingFunction(double x1, double y1, double x2, double y2) : x1_(x1), y1_(y1), x2_(x2), y2_(y2) {}

    // Progress at the elapsed fraction, which is clamped to [0, 1].
    double operator()(double fraction) const;

    bool operator==(const TimingFunction&) const = default;

private:
    double x1_, y1_, x2_, y2_;
};

}  // namespace ui
