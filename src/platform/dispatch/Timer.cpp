#include "platform/dispatch/Timer.h"

#include "platform/dispatch/Scheduler.h"

#include <algorithm>
#include <cmath>
#include <mutex>

namespace dispatch {

struct Timer::State {
    State(Queue queue, double interval, Task task) : queue(std::move(queue)), interval(interval), task(std::move(task))
    {
    }

    Queue queue;
    double interval;
    Task task;
    std::atomic<bool> cancelled{false};
    std::mutex nextMutex;
    WorkItem next;
    std::atomic<bool> aligned{false};
    std::atomic<int> everyNth{1};
    long long gridPoint = -1;  // of the coming tick, in intervals, while aligned

    static constexpr double longestAligned = 1.0;

    // The delay until the next tick; with nextMutex held.
    double nextDelay()
    {
        if (!aligned.load() || interval <= 0 || interval > longestAligned || !scheduler().alignsTimerTicks()) {
            gridPoint = -1;
            return interval;
        }
        const double at = now();
        const long long nth = everyNth.load();
        const auto tickFrom = [nth](long long point) { return (point + nth - 1) / nth * nth; };
        const auto pointAfter = [&](double seconds) { return static_cast<long long>(std::ceil(seconds / interval)); };
        gridPoint = gridPoint < 0 ? tickFrom(pointAfter(at + interval)) : tickFrom(gridPoint + 1);
        if (gridPoint * interval < at) gridPoint = tickFrom(pointAfter(at));
        return gridPoint * interval - at;
    }

    static void schedule(const std::shared_ptr<State>& state)
    {
        std::weak_ptr<State> weak = state;
        std::lock_guard lock(state->nextMutex);
        state->next = state->queue.asyncAfter(state->nextDelay(), [weak] {
            const auto self = weak.lock();
            if (!self || self->cancelled.load()) return;
            self->task();
            if (!self->cancelled.load()) schedule(self);
        });
    }
};

Timer::Timer(Queue queue, double intervalSeconds, Task task)
    : state_(std::make_shared<State>(std::move(queue), intervalSeconds, std::move(task)))
{
    State::schedule(state_);
}

Timer::~Timer() { cancel(); }

Timer::Timer(Timer&& other) noexcept : state_(std::move(other.state_)) {}

Timer& Timer::operator=(Timer&& other) noexcept
{
    if (this != &other) {
        cancel();
        state_ = std::move(other.state_);
    }
    return *this;
}

void Timer::cancel()
{
    if (!state_) return;
    state_->cancelled.store(true);
    {
        std::lock_guard lock(state_->nextMutex);
        state_->next.cancel();
    }
    state_.reset();
}

bool Timer::isActive() const { return state_ != nullptr; }

void Timer::alignTicks(bool aligned, int everyNth)
{
    if (!state_) return;
    state_->everyNth.store(std::max(everyNth, 1));
    state_->aligned.store(aligned);
}

}  // namespace dispatch
