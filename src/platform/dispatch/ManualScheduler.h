#pragma once

#include "platform/dispatch/Scheduler.h"

#include <map>
#include <utility>
#include <vector>

namespace dispatch {

// Virtual time on one thread, for tests and scenarios: nothing runs until the test says
// so, and the same inputs give the same run every time.
class ManualScheduler : public Scheduler, public std::enable_shared_from_this<ManualScheduler> {
public:
    // wallClockAtZero: seconds since the epoch of the local wall-clock time at virtual 0,
    // counted as if the local time zone were UTC, so time stamps do not depend on TZ.
    explicit ManualScheduler(double wallClockAtZero = 1767603600.0 /* 2026-01-05 09:00:00 */);

    // Runs every task that is due now, including those they post for now.
    void runUntilIdle();
    // Runs tasks in due order up to now + seconds; the clock ends at now + seconds.
    void advance(double seconds);
    void advanceTo(double time);
    // Tasks waiting, delayed ones included (cancelled ones are dropped when due).
    std::size_t pendingCount() const;

    std::shared_ptr<QueueBackend> makeQueue(const std::string& label, QueueKind kind) override;
    double now() override;
    double wallClock() override;
    std::tm localTime() override;
    void sleepFor(double seconds) override;
    bool wait(SemaphoreState& semaphore, double timeoutSeconds) override;
    bool runMainUntil(const std::function<bool()>& done, double seconds) override;
    bool waitRealTime(const std::function<bool()>& done, double seconds) override;

private:
    class NestedMainLoop;
    class ManualQueue;
    struct Entry {
        std::shared_ptr<ManualQueue> queue;
        Task task;
        std::shared_ptr<std::atomic<bool>> cancelled;
    };
    using Key = std::pair<double, std::uint64_t>;

    void enqueue(std::shared_ptr<ManualQueue> queue, Task task, double delay,
                 std::shared_ptr<std::atomic<bool>> cancelled);
    void runSync(ManualQueue& queue, const Task& task);
    // Runs the earliest task due at or before limit whose queue is free.
    bool runOne(double limit, const ManualQueue* onlyQueue = nullptr);
    bool isBusy(const ManualQueue& queue) const;
    std::string stackText() const;

    mutable std::recursive_mutex mutex_;
    double now_ = 0;
    double wallClockAtZero_;
    std::uint64_t sequence_ = 0;
    std::map<Key, Entry> pending_;
    std::vector<ManualQueue*> running_;
    // Main-queue tasks on the stack below this depth wait in a nested main loop, so the
    // main queue may run again above them.
    std::size_t nestedMainFloor_ = 0;
};

}  // namespace dispatch
