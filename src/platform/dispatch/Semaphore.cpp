#include "platform/dispatch/Semaphore.h"

#include "platform/dispatch/Scheduler.h"

namespace dispatch {

Semaphore::Semaphore(long value) : state_(std::make_shared<SemaphoreState>()) { state_->count = value; }

void Semaphore::signal()
{
    std::lock_guard lock(state_->mutex);
    ++state_->count;
    state_->condition.notify_one();
}

bool Semaphore::wait(double timeoutSeconds) { return scheduler().wait(*state_, timeoutSeconds); }

}  // namespace dispatch
