#pragma once

#include "platform/ui/TimingFunction.h"

#include <functional>
#include <memory>
#include <vector>

namespace ui {

// One number an animation drives, handed to apply at every step.
struct AnimatedValue {
    double from = 0;
    double to = 0;
    std::function<void(double)> apply;
};

// A running animation. Copies refer to the same one; dropping every handle leaves it
// running to its end. Main queue only.
class Animation {
public:
    Animation() = default;

    // Stops where it is; the completion never runs.
    void cancel() const;
    // Stops where it is and runs the completion on the next main-queue turn, as when a
    // newer animation of the same property takes over.
    void stop() const;
    bool isRunning() const;

    struct State;

private:
    explicit Animation(std::shared_ptr<State> state) : state_(std::move(state)) {}
    friend Animation animate(double, std::vector<AnimatedValue>, std::function<void()>, TimingFunction);

    std::shared_ptr<State> state_;
};

constexpr double animationStepsPerSecond = 60;

// Drives the values together over the duration on the main queue, one step each
// sixtieth of a second: the first at once (the from values), the last at the end of the
// duration (the to values exactly), followed by the completion. A zero duration applies
// the to values at once and runs the completion on the next main-queue turn.
Animation animate(double duration, std::vector<AnimatedValue> values, std::function<void()> completion = {},
                  TimingFunction timing = TimingFunction::easeInEaseOut());

inline Animation animate(double duration, double from, double to, std::function<void(double)> apply,
                         std::function<void()> completion = {}, TimingFunction timing = TimingFunction::easeInEaseOut())
{
    return animate(duration, {AnimatedValue{from, to, std::move(apply)}}, std::move(completion), timing);
}

}  // namespace ui
