#include "platform/dispatch/ManualScheduler.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

namespace dispatch {

class ManualScheduler::ManualQueue : public QueueBackend, public std::enable_shared_from_this<ManualQueue> {
public:
    ManualQueue(ManualScheduler& owner, std::string label, QueueKind kind)
        : owner(owner), label(std::move(label)), kind(kind)
    {
    }

    void enqueue(Task task, double delay, std::shared_ptr<std::atomic<bool>> cancelled) override
    {
        owner.enqueue(shared_from_this(), std::move(task), delay, std::move(cancelled));
    }
    void sync(const Task& task) override { owner.runSync(*this, task); }
    bool isCurrent() const override
    {
        std::lock_guard lock(owner.mutex_);
        return !owner.running_.empty() && owner.running_.back() == this;
    }

    ManualScheduler& owner;
    const std::string label;
    const QueueKind kind;
};

ManualScheduler::ManualScheduler(double wallClockAtZero) : wallClockAtZero_(wallClockAtZero) {}

std::shared_ptr<QueueBackend> ManualScheduler::makeQueue(const std::string& label, QueueKind kind)
{
    return std::make_shared<ManualQueue>(*this, label, kind);
}

double ManualScheduler::now()
{
    std::lock_guard lock(mutex_);
    return now_;
}

double ManualScheduler::wallClock()
{
    std::lock_guard lock(mutex_);
    return wallClockAtZero_ + now_;
}

std::tm ManualScheduler::localTime()
{
    const auto seconds = static_cast<std::time_t>(std::floor(wallClock()));
    std::tm parts{};
    gmtime_r(&seconds, &parts);
    return parts;
}

void ManualScheduler::sleepFor(double seconds)
{
    std::lock_guard lock(mutex_);
    if (seconds > 0) now_ += seconds;
}

std::size_t ManualScheduler::pendingCount() const
{
    std::lock_guard lock(mutex_);
    return pending_.size();
}

void ManualScheduler::enqueue(std::shared_ptr<ManualQueue> queue, Task task, double delay,
                              std::shared_ptr<std::atomic<bool>> cancelled)
{
    std::lock_guard lock(mutex_);
    const double due = now_ + std::max(0.0, delay);
    pending_.emplace(Key{due, sequence_++}, Entry{std::move(queue), std::move(task), std::move(cancelled)});
}

bool ManualScheduler::isBusy(const ManualQueue& queue) const
{
    if (queue.kind == QueueKind::concurrent) return false;
    const auto from = running_.begin() + (queue.kind == QueueKind::main ? nestedMainFloor_ : 0);
    return std::find(from, running_.end(), &queue) != running_.end();
}

std::string ManualScheduler::stackText() const
{
    std::string text;
    for (const auto* queue : running_) {
        if (!text.empty()) text += " > ";
        text += "'" + queue->label + "'";
    }
    return text.empty() ? "(no queue)" : text;
}

bool ManualScheduler::runOne(double limit, const ManualQueue* onlyQueue)
{
    Entry entry;
    {
        std::lock_guard lock(mutex_);
        auto it = pending_.begin();
        for (; it != pending_.end() && it->first.first <= limit; ++it) {
            if (onlyQueue && it->second.queue.get() != onlyQueue) continue;
            if (!isBusy(*it->second.queue)) break;
        }
        if (it == pending_.end() || it->first.first > limit) return false;
        now_ = std::max(now_, it->first.first);
        entry = std::move(it->second);
        pending_.erase(it);
        if (entry.cancelled && entry.cancelled->load()) return true;
        running_.push_back(entry.queue.get());
    }
    entry.task();
    std::lock_guard lock(mutex_);
    running_.pop_back();
    return true;
}

void ManualScheduler::runUntilIdle()
{
    while (runOne(now())) {}
}

void ManualScheduler::advance(double seconds) { advanceTo(now() + seconds); }

void ManualScheduler::advanceTo(double time)
{
    while (runOne(time)) {}
    std::lock_guard lock(mutex_);
    now_ = std::max(now_, time);
}

void ManualScheduler::runSync(ManualQueue& queue, const Task& task)
{
    {
        std::lock_guard lock(mutex_);
        if (isBusy(queue))
            reportDeadlock("sync into queue '" + queue.label + "', which is already running (stack: " + stackText() +
                           ")");
    }
    // Work queued before this call runs first, as it would on a serial queue.
    if (queue.kind != QueueKind::concurrent)
        while (runOne(now(), &queue)) {}
    {
        std::lock_guard lock(mutex_);
        running_.push_back(&queue);
    }
    task();
    std::lock_guard lock(mutex_);
    running_.pop_back();
}

bool ManualScheduler::wait(SemaphoreState& semaphore, double timeoutSeconds)
{
    const bool waitsForever = !std::isfinite(timeoutSeconds);
    const double deadline = waitsForever ? INFINITY : now() + std::max(0.0, timeoutSeconds);
    for (;;) {
        {
            std::lock_guard lock(semaphore.mutex);
            if (semaphore.count > 0 && semaphore.signalledAt <= deadline) {
                --semaphore.count;
                return true;
            }
        }
        // Work that ran past the deadline kept running on its own thread; the wait had
        // timed out meanwhile.
        if (now() > deadline) return false;
        if (runOne(deadline)) continue;
        if (waitsForever) {
            std::lock_guard lock(mutex_);
            reportDeadlock("waiting forever on a semaphore that no runnable work can signal (stack: " + stackText() +
                           ")");
        }
        std::lock_guard lock(mutex_);
        now_ = std::max(now_, deadline);
        return false;
    }
}

// While it lives, the main-queue tasks now on the stack are suspended in a nested loop.
class ManualScheduler::NestedMainLoop {
public:
    explicit NestedMainLoop(ManualScheduler& owner) : owner_(owner)
    {
        std::lock_guard lock(owner_.mutex_);
        savedFloor_ = owner_.nestedMainFloor_;
        owner_.nestedMainFloor_ = owner_.running_.size();
    }
    ~NestedMainLoop()
    {
        std::lock_guard lock(owner_.mutex_);
        owner_.nestedMainFloor_ = savedFloor_;
    }
    NestedMainLoop(const NestedMainLoop&) = delete;
    NestedMainLoop& operator=(const NestedMainLoop&) = delete;

private:
    ManualScheduler& owner_;
    std::size_t savedFloor_ = 0;
};

bool ManualScheduler::runMainUntil(const std::function<bool()>& done, double seconds)
{
    const NestedMainLoop nested(*this);
    const double deadline = now() + std::max(0.0, seconds);
    while (!done()) {
        if (runOne(deadline)) continue;
        std::lock_guard lock(mutex_);
        if (!std::isfinite(deadline))
            reportDeadlock("waiting forever for a condition that no runnable work can meet (stack: " + stackText() +
                           ")");
        now_ = std::max(now_, deadline);
        return done();
    }
    return true;
}

bool ManualScheduler::waitRealTime(const std::function<bool()>& done, double seconds)
{
    const NestedMainLoop nested(*this);
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                               std::chrono::duration<double>(std::clamp(seconds, 0.0, 1e9)));
    for (;;) {
        // Only work due already: the outside world keeps real time, the clock stays still.
        while (!done() && runOne(now())) {}
        if (done()) return true;
        const auto left = deadline - std::chrono::steady_clock::now();
        if (left <= std::chrono::steady_clock::duration::zero()) return false;
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(left, std::chrono::milliseconds(50)));
    }
}

}  // namespace dispatch
