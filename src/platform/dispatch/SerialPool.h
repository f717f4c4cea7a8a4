#pragma once

#include "platform/dispatch/Queue.h"
#include "platform/dispatch/WorkerGate.h"

#include <chrono>
#include <functional>
#include <memory>

namespace dispatch {

// Runs serial queues on a few shared threads. One timer thread sleeps until the next
// delayed task of any queue is due and hands every queue due by then to one worker,
// which runs them one after another: queues whose tasks fall due together cost one
// wake-up, not one each. A queue left waiting behind a busy worker gets another worker
// (a new thread when none is idle), so a task that blocks never holds the others up
// for long, and a slow task makes the next ones spread out at once.
class SerialPool {
public:
    using Clock = std::chrono::steady_clock;
    // Tasks that fall due this soon after the first one run with it.
    static constexpr auto leeway = std::chrono::microseconds(500);
    // How long a due queue may wait behind busy workers before another one is called,
    // and how long a task may take before the rest of a batch is spread out.
    static constexpr auto handoff = std::chrono::milliseconds(2);

    // One serial queue's tasks.
    class Lane;

    explicit SerialPool(std::shared_ptr<WorkerGate> gate);
    // The threads end once every task already queued has run.
    ~SerialPool();
    SerialPool(const SerialPool&) = delete;
    SerialPool& operator=(const SerialPool&) = delete;

    std::shared_ptr<Lane> makeLane();
    void enqueue(const std::shared_ptr<Lane>& lane, Task task, double delaySeconds,
                 std::shared_ptr<std::atomic<bool>> cancelled);
    // Whether the calling thread is running one of the lane's tasks.
    static bool isRunning(const Lane& lane);

    // Wakes another thread for work the caller posted to it. While a worker runs lanes
    // that fell due together, the wake-ups their tasks ask for are made once each (by key)
    // when the batch ends or the first has been owed the handoff time (looked at after
    // each lane and by the timer); elsewhere at once.
    static void wakeAfterBatch(const void* key, std::function<void()> wake);
    // Makes the caller's owed wake-ups now: before it blocks on work of another thread.
    static void wakeOwedNow();

private:
    struct Core;
    std::shared_ptr<Core> core_;
};

}  // namespace dispatch
