#pragma once

#include <cmath>
#include <memory>

namespace dispatch {

struct SemaphoreState;

// A counting semaphore whose wait obeys the installed scheduler: under virtual time a
// wait runs other queues' work until it is signalled or its timeout passes.
class Semaphore {
public:
    explicit Semaphore(long value = 0);

    void signal();
    // True when signalled, false when the timeout passed first.
    bool wait(double timeoutSeconds = INFINITY);

private:
    std::shared_ptr<SemaphoreState> state_;
};

}  // namespace dispatch
