#include "platform/ui/Animation.h"

#include "platform/dispatch/Queue.h"

#include <cmath>

namespace ui {
namespace {

// The last step is scheduled this much early so that rounding of the clock never
// leaves it a step behind the end of the duration.
constexpr double endTolerance = 1e-7;

}  // namespace

struct Animation::State : std::enable_shared_from_this<State> {
    double duration = 0;
    std::vector<AnimatedValue> values;
    std::function<void()> completion;
    TimingFunction timing = TimingFunction::linear();
    double start = 0;
    bool running = true;
    dispatch::WorkItem next;

    void applyProgress(double progress)
    {
        for (auto& value : values)
            if (value.apply) value.apply(value.from + (value.to - value.from) * progress);
    }

    void step()
    {
        if (!running) return;
        const double elapsed = dispatch::now() - start;
        if (elapsed >= duration - 2 * endTolerance) {
            running = false;
            applyProgress(1);
            if (completion) completion();
            return;
        }
        applyProgress(timing(elapsed / duration));
        if (!running) return;  // an apply stopped it

        const double stepIndex = std::floor(elapsed * animationStepsPerSecond + 1e-9) + 1;
        const double nextTime = std::min(stepIndex / animationStepsPerSecond, duration - endTolerance);
        next = dispatch::main().asyncAfter(std::max(0.0, nextTime - elapsed),
                                           [self = shared_from_this()] { self->step(); });
    }
};

Animation animate(double duration, std::vector<AnimatedValue> values, std::function<void()> completion,
                  TimingFunction timing)
{
    auto state = std::make_shared<Animation::State>();
    state->duration = duration;
    state->values = std::move(values);
    state->completion = std::move(completion);
    state->timing = timing;
    state->start = dispatch::now();

    if (duration <= 0) {
        state->running = false;
        state->applyProgress(1);
        if (state->completion) dispatch::main().async(state->completion);
        return Animation(state);
    }
    state->step();
    return Animation(state);
}

void Animation::cancel() const
{
    if (!state_ || !state_->running) return;
    state_->running = false;
    state_->next.cancel();
}

void Animation::stop() const
{
    if (!state_ || !state_->running) return;
    cancel();
    if (state_->completion) dispatch::main().async(state_->completion);
}

bool Animation::isRunning() const { return state_ && state_->running; }

}  // namespace ui
