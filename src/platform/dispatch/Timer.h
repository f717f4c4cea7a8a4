#pragma once

#include "platform/dispatch/Queue.h"

namespace dispatch {

// A repeating timer on a queue: fires every interval, first after one interval, until
// cancelled or destroyed. Move-only. Where the scheduler aligns ticks, a timer of up to a
// second ticks on a shared grid of its interval, so that every timer of that interval
// fires at the same moments: the first tick comes one to two intervals after the start,
// and a tick that falls behind by more than an interval skips to the next grid point.
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

private:
    struct State;
    std::shared_ptr<State> state_;
};

}  // namespace dispatch
