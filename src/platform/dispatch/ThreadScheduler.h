#pragma once

#include "platform/dispatch/Scheduler.h"
#include "platform/dispatch/SerialPool.h"
#include "platform/dispatch/WorkerGate.h"

#include <thread>

namespace dispatch {

// Real time and real threads: serial queues on a shared pool of workers, a small pool for
// the global queue, and the main queue run on the thread that drives it (the Qt event loop).
class ThreadScheduler : public Scheduler {
public:
    ThreadScheduler();
    ~ThreadScheduler() override;

    // The event loop calls drainMain() on the main thread whenever it is woken: at once
    // for new work, or after the delay of the next delayed task.
    using MainWaker = std::function<void(double delaySeconds)>;
    void setMainWaker(MainWaker waker);
    // Runs every main-queue task that is due; returns the delay until the next one, or a
    // negative number when none waits.
    double drainMain();
    // The thread the main queue belongs to (the constructing thread unless changed).
    void setMainThread(std::thread::id id);

    std::shared_ptr<QueueBackend> makeQueue(const std::string& label, QueueKind kind) override;
    double now() override;
    double wallClock() override;
    std::tm localTime() override;
    void sleepFor(double seconds) override;
    bool wait(SemaphoreState& semaphore, double timeoutSeconds) override;
    bool runMainUntil(const std::function<bool()>& done, double seconds) override;
    bool waitRealTime(const std::function<bool()>& done, double seconds) override;
    bool alignsTimerTicks() const override { return true; }

    // Before a process ends without its destructors: no serial or global worker starts
    // another task, and the tasks they run end first, waited for at most the time (a
    // task may wait on the main queue). Whether they all ended. For good: the workers
    // never run again.
    bool stopWorkers(double timeoutSeconds);

    class TaskHeap;

private:
    // Looks at done() at least every pollSeconds; on the main thread it runs the main
    // queue's due work meanwhile, as the event loop would.
    bool pumpMain(const std::function<bool()>& done, double seconds, double pollSeconds);

    class SerialQueue;
    class MainQueue;
    class ConcurrentQueue;

    const std::chrono::steady_clock::time_point start_;
    std::shared_ptr<WorkerGate> gate_;
    std::shared_ptr<MainQueue> main_;
    std::shared_ptr<SerialPool> serialPool_;
    std::shared_ptr<ConcurrentQueue> global_;
};

}  // namespace dispatch
