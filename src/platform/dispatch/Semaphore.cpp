#include "platform/dispatch/Semaphore.h"

#include "platform/dispatch/Scheduler.h"

namespace dispatch {

Semaphore::Semaphore(long value) : state_(std::make_shared<SemaphoreState>()) { state_->count = value; }

void Semaphore::signal()
{
    const double at = scheduler().now();
    std::lock_guard lock(state_->mutex);
    if (state_->count == 0) state_->signalledAt = at;
    ++state_->count;
    state_->condition.notify_one();
}

bool Semaphore::wait(double timeoutSeconds) { return scheduler().wait(*state_, timeoutSeconds); }

}  // namespace dispatch
