#pragma once

#include "platform/dispatch/Queue.h"

namespace dispatch {

// A repeating timer on a queue: fires every interval, first after one interval, until
// cancelled or destroyed. Move-only.
class Timer {
public:
    Timer() = default;
    Timer(Queue queue, double intervalSeconds, Task task);
    ~Timer();
    Timer(Timer&& other) noexcept;
    Timer& operator=(Timer&& other) noexcept;
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    void cancel();
    bool isActive() const;
    // From the next tick on, where the scheduler aligns ticks, a timer of up to a second
    // ticks on a shared grid of its interval, so that the aligned timers of one interval
    // wake their threads together: the next tick comes one to two intervals later, and a
    // tick that falls behind by more than an interval skips to the next grid point. Cheap
    // ticks gain by it; ticks that do real work are better spread out. With everyNth,
    // only every nth point of the grid is a tick: for a while that needs fewer of them.
    void alignTicks(bool aligned, int everyNth = 1);

private:
    struct State;
    std::shared_ptr<State> state_;
};

}  // namespace dispatch
