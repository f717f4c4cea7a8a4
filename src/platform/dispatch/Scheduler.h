#pragma once

#include "platform/dispatch/Queue.h"

#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

namespace dispatch {

class QueueBackend {
public:
    virtual ~QueueBackend() = default;
    virtual void enqueue(Task task, double delaySeconds, std::shared_ptr<std::atomic<bool>> cancelled) = 0;
    virtual void sync(const Task& task) = 0;
    virtual bool isCurrent() const = 0;
};

struct SemaphoreState {
    std::mutex mutex;
    std::condition_variable condition;
    long count = 0;
    // The scheduler's time when the count last rose from zero: a wait whose deadline came
    // first had given up by then.
    double signalledAt = -INFINITY;
};

// The source of time and execution for every queue. One is installed per process; tests
// install a ManualScheduler.
class Scheduler {
public:
    virtual ~Scheduler() = default;
    virtual std::shared_ptr<QueueBackend> makeQueue(const std::string& label, QueueKind kind) = 0;
    virtual double now() = 0;
    virtual double wallClock() = 0;
    virtual std::tm localTime() = 0;
    virtual void sleepFor(double seconds) = 0;
    // Waits until the semaphore's count is positive (and takes one) or the timeout passes.
    virtual bool wait(SemaphoreState& semaphore, double timeoutSeconds) = 0;
    // The waits of MainWait.h.
    virtual bool runMainUntil(const std::function<bool()>& done, double seconds) = 0;
    virtual bool waitRealTime(const std::function<bool()>& done, double seconds) = 0;
    // Whether timers asked to align their ticks tick on a grid of their interval
    // (Timer::alignTicks); on the virtual clock every timer keeps its own moments.
    virtual bool alignsTimerTicks() const { return false; }
};

void install(std::shared_ptr<Scheduler> scheduler);
Scheduler& scheduler();
// Changes whenever a scheduler is installed; queues rebind to the new one.
std::uint64_t schedulerGeneration();

// Prints the report and aborts: on real threads the situation would hang forever.
[[noreturn]] void reportDeadlock(const std::string& what);

}  // namespace dispatch
