#pragma once

#include "platform/ui/TimingFunction.h"

#include <array>
#include <cstddef>
#include <vector>

namespace ui {

// A value a keyframe track animates: a number, a point, a size or a colour, interpolated
// component by component.
struct KeyValue {
    enum class Kind { number, point, size, color };

    Kind kind = Kind::number;
    std::array<double, 4> components{};

    static KeyValue number(double v) { return {Kind::number, {v, 0, 0, 0}}; }
    static KeyValue point(double x, double y) { return {Kind::point, {x, y, 0, 0}}; }
    static KeyValue size(double width, double height) { return {Kind::size, {width, height, 0, 0}}; }
    static KeyValue color(double red, double green, double blue, double alpha = 1)
    {
        return {Kind::color, {red, green, blue, alpha}};
    }

    double operator[](std::size_t i) const { return components[i]; }
    bool operator==(const KeyValue&) const = default;
};

KeyValue interpolate(const KeyValue& from, const KeyValue& to, double progress);

// One keyframe track: values at key times (fractions of the duration), paced per
// segment. The value before the first key time is the first value, after the last key
// time the last one; a repeating track starts over every duration.
class Keyframes {
public:
    // keyTimes empty: evenly spaced. timings: one per segment; a segment without one is
    // linear.
    Keyframes(std::vector<KeyValue> values, std::vector<double> keyTimes, double duration,
              std::vector<TimingFunction> timings = {}, bool repeatsForever = true);

    // Every segment paced alike.
    static std::vector<TimingFunction> uniform(std::size_t valueCount, TimingFunction timing);

    // Where time t falls: the segment (index of its first value) and the paced progress
    // in it. Tracks whose values are not KeyValues (paths) interpolate from this.
    struct Position {
        std::size_t segment = 0;
        double progress = 0;
    };
    Position position(double t) const;

    KeyValue valueAt(double t) const;

    // False for a track that cannot run forwards: key times given but not one per value,
    // decreasing, or outside [0, 1]; no values; a duration that is not positive. A
    // refused track still answers, as if its key times were evenly spaced.
    bool isValid() const;

    const std::vector<KeyValue>& values() const { return values_; }
    double duration() const { return duration_; }

private:
    double keyTime(std::size_t i) const;

    std::vector<KeyValue> values_;
    std::vector<double> keyTimes_;
    double duration_;
    std::vector<TimingFunction> timings_;
    bool repeatsForever_;
    bool usesKeyTimes_ = false;
};

}  // namespace ui
