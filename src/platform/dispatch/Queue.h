#pragma once

#include <atomic>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>

namespace dispatch {

using Task = std::function<void()>;

// A handle on a scheduled task; cancelling it keeps the task from starting.
class WorkItem {
public:
    WorkItem() = default;
    explicit WorkItem(std::shared_ptr<std::atomic<bool>> cancelled) : cancelled_(std::move(cancelled)) {}

    void cancel() const
    {
        if (cancelled_) cancelled_->store(true);
    }
    bool isCancelled() const { return cancelled_ && cancelled_->load(); }
    bool isEmpty() const { return !cancelled_; }

private:
    std::shared_ptr<std::atomic<bool>> cancelled_;
};

class QueueBackend;
struct QueueCore;
enum class QueueKind { serial, main, concurrent };

// A labelled queue. Serial queues run one task at a time, in order; the global queue is
// concurrent. Copies refer to the same queue. A queue follows the installed scheduler,
// so one held in static storage keeps working when a test installs a fresh scheduler.
class Queue {
public:
    // A new serial queue.
    explicit Queue(std::string label);

    const std::string& label() const;
    void async(Task task) const;
    WorkItem asyncAfter(double seconds, Task task) const;
    // Runs the task on this queue and waits for it. Into a queue that is already running
    // on the caller's stack this is a deadlock, reported and aborted.
    void sync(const Task& task) const;

    template <class F>
    auto syncResult(F&& f) const -> std::invoke_result_t<F>
    {
        using R = std::invoke_result_t<F>;
        if constexpr (std::is_void_v<R>) {
            sync(std::forward<F>(f));
        } else {
            std::optional<R> result;
            sync([&] { result.emplace(f()); });
            return std::move(*result);
        }
    }

    bool isCurrent() const;
    bool operator==(const Queue& other) const { return core_ == other.core_; }

private:
    friend Queue& main();
    friend Queue& global();
    Queue(std::string label, QueueKind kind);
    std::shared_ptr<QueueBackend> backend() const;

    std::shared_ptr<QueueCore> core_;
};

// The main queue (the user-interface thread) and the shared concurrent queue.
Queue& main();
Queue& global();

// Monotonic seconds since the scheduler started.
double now();
// Seconds since the Unix epoch.
double wallClock();
// The local wall-clock time, broken down.
std::tm localTime();
// Blocks the caller; under the manual scheduler it advances the clock and runs nothing.
void sleepFor(double seconds);

}  // namespace dispatch
