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

private:
    struct State;
    std::shared_ptr<State> state_;
};

}  // namespace dispatch
