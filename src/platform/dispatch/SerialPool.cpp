#include "platform/dispatch/SerialPool.h"

#include "platform/dispatch/DelayBound.h"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

namespace dispatch {
namespace {

// The lane whose task the current thread runs.
thread_local const SerialPool::Lane* runningLane = nullptr;

}  // namespace

// Tasks ordered by due time, then by arrival; guarded by the pool's mutex.
class SerialPool::Lane {
public:
    struct Entry {
        Task task;
        std::shared_ptr<std::atomic<bool>> cancelled;
    };
    std::map<std::pair<Clock::time_point, std::uint64_t>, Entry> entries;
    // In the ready line or run by a worker: nobody else takes it.
    bool scheduled = false;
    // Its first task's due time while it waits for the timer.
    std::optional<Clock::time_point> waitingFor;

    Clock::time_point firstDue() const { return entries.begin()->first.first; }
};

struct SerialPool::Core : std::enable_shared_from_this<Core> {
    struct Ready {
        std::shared_ptr<Lane> lane;
        Clock::time_point since;
    };

    explicit Core(std::shared_ptr<WorkerGate> gate) : gate(std::move(gate)) {}

    const std::shared_ptr<WorkerGate> gate;
    std::mutex mutex;
    std::condition_variable timerWake;
    std::condition_variable workerWake;
    std::map<std::pair<Clock::time_point, const Lane*>, std::shared_ptr<Lane>> waiting;
    std::deque<Ready> ready;
    std::uint64_t sequence = 0;
    int idle = 0;      // workers waiting for a call
    int calls = 0;     // calls no worker has answered yet
    int spawning = 0;  // new workers not yet looking for a lane
    int running = 0;   // lanes a worker runs now
    bool timerStarted = false;
    Clock::time_point timerDeadline = Clock::time_point::max();
    bool released = false;  // no queue is left to add work
    bool closed = false;    // the gate closed: no task starts any more
    // Wake-ups the tasks of a batch asked for, by key, and since when.
    std::map<const void*, std::function<void()>> owed;
    Clock::time_point owedSince;

    // The pool whose batch the current thread runs.
    static thread_local Core* batching;

    bool finishedLocked() const { return closed || (released && waiting.empty() && ready.empty() && running == 0); }
    int comingLocked() const { return calls + spawning; }

    void callWorkerLocked()
    {
        if (idle > calls) {
            ++calls;
            workerWake.notify_one();
            return;
        }
        ++spawning;
        std::thread([core = shared_from_this()] { core->work(); }).detach();
    }

    // Every ready lane gets a worker of its own.
    void spreadReadyLocked()
    {
        while (comingLocked() < static_cast<int>(ready.size())) callWorkerLocked();
    }

    // A lane that nobody has taken and that has tasks: ready now, or waiting for the timer.
    void placeLocked(const std::shared_ptr<Lane>& lane, Clock::time_point now)
    {
        if (!timerStarted) {
            timerStarted = true;
            std::thread([core = shared_from_this()] { core->keepTime(); }).detach();
        }
        const auto due = lane->firstDue();
        if (lane->waitingFor) {
            if (*lane->waitingFor <= due) return;
            waiting.erase({*lane->waitingFor, lane.get()});
            lane->waitingFor.reset();
        }
        if (due <= now) {
            lane->scheduled = true;
            ready.push_back({lane, now});
            // Work posted for now gets a worker of its own, as a thread per queue would.
            spreadReadyLocked();
            return;
        }
        lane->waitingFor = due;
        waiting.emplace(std::pair{due, lane.get()}, lane);
        if (due + leeway < timerDeadline) timerWake.notify_one();
    }

    // Lets the lock go while the wakes run.
    void wakeOwedLocked(std::unique_lock<std::mutex>& lock)
    {
        if (owed.empty()) return;
        const auto wakes = std::move(owed);
        owed.clear();
        lock.unlock();
        for (const auto& [key, wake] : wakes) wake();
        lock.lock();
    }

    void endIfFinishedLocked()
    {
        if (!finishedLocked()) return;
        timerWake.notify_all();
        workerWake.notify_all();
    }

    // Runs the lane's due tasks, one at a time, without the lock.
    void runLane(std::unique_lock<std::mutex>& lock, Lane& lane)
    {
        while (!lane.entries.empty() && lane.firstDue() <= Clock::now()) {
            {
                Lane::Entry entry = std::move(lane.entries.begin()->second);
                lane.entries.erase(lane.entries.begin());
                if (entry.cancelled && entry.cancelled->load()) continue;
                lock.unlock();
                if (!gate->enter()) {
                    lock.lock();
                    closed = true;
                    endIfFinishedLocked();
                    return;
                }
                const auto started = Clock::now();
                runningLane = &lane;
                entry.task();
                runningLane = nullptr;
                gate->leave();
                const bool slow = Clock::now() - started > handoff;
                // The task's captures go before the lock is taken again.
                entry = {};
                lock.lock();
                // The lanes behind a slow task spread out to other workers.
                if (slow) spreadReadyLocked();
            }
        }
    }

    void work()
    {
        std::unique_lock lock(mutex);
        --spawning;
        for (;;) {
            while (ready.empty() && !closed) {
                if (finishedLocked()) return;
                ++idle;
                workerWake.wait(lock, [&] { return calls > 0 || finishedLocked(); });
                --idle;
                if (calls > 0) --calls;
            }
            if (closed) return;
            const std::shared_ptr<Lane> lane = std::move(ready.front().lane);
            ready.pop_front();
            // More lanes follow, or some ran before: the wake-ups their tasks ask for go
            // out together.
            batching = ready.empty() && owed.empty() ? nullptr : this;
            ++running;
            runLane(lock, *lane);
            --running;
            batching = nullptr;
            if (closed) return;
            if (ready.empty() || Clock::now() - owedSince >= handoff) wakeOwedLocked(lock);
            lane->scheduled = false;
            if (!lane->entries.empty()) placeLocked(lane, Clock::now());
            endIfFinishedLocked();
        }
    }

    // Hands the lanes that fell due to a worker, and calls another one for lanes left
    // waiting behind busy workers.
    void keepTime()
    {
        std::unique_lock lock(mutex);
        while (!finishedLocked()) {
            if (!owed.empty() && Clock::now() - owedSince >= handoff) wakeOwedLocked(lock);
            const auto now = Clock::now();
            bool added = false;
            while (!waiting.empty() && waiting.begin()->first.first <= now) {
                const std::shared_ptr<Lane> lane = std::move(waiting.begin()->second);
                waiting.erase(waiting.begin());
                lane->waitingFor.reset();
                lane->scheduled = true;
                ready.push_back({lane, now});
                added = true;
            }
            const bool stalled = !ready.empty() && now - ready.front().since >= handoff;
            if ((added || stalled) && comingLocked() == 0) callWorkerLocked();

            auto deadline = Clock::time_point::max();
            if (!waiting.empty()) deadline = waiting.begin()->first.first + leeway;
            if (!ready.empty()) deadline = std::min(deadline, stalled ? now + handoff : ready.front().since + handoff);
            if (!owed.empty()) deadline = std::min(deadline, owedSince + handoff);
            timerDeadline = deadline;
            if (deadline == Clock::time_point::max())
                timerWake.wait(lock);
            else
                timerWake.wait_until(lock, deadline);
            timerDeadline = Clock::time_point::max();
        }
    }
};

thread_local SerialPool::Core* SerialPool::Core::batching = nullptr;

SerialPool::SerialPool(std::shared_ptr<WorkerGate> gate) : core_(std::make_shared<Core>(std::move(gate))) {}

SerialPool::~SerialPool()
{
    std::lock_guard lock(core_->mutex);
    core_->released = true;
    core_->endIfFinishedLocked();
}

std::shared_ptr<SerialPool::Lane> SerialPool::makeLane() { return std::make_shared<Lane>(); }

void SerialPool::enqueue(const std::shared_ptr<Lane>& lane, Task task, double delaySeconds,
                         std::shared_ptr<std::atomic<bool>> cancelled)
{
    const auto now = Clock::now();
    const auto due = now + boundedDelay(delaySeconds);
    std::lock_guard lock(core_->mutex);
    lane->entries.emplace(std::pair{due, core_->sequence++}, Lane::Entry{std::move(task), std::move(cancelled)});
    if (!lane->scheduled) core_->placeLocked(lane, now);
}

bool SerialPool::isRunning(const Lane& lane) { return runningLane == &lane; }

void SerialPool::wakeAfterBatch(const void* key, std::function<void()> wake)
{
    if (Core* const core = Core::batching) {
        std::lock_guard lock(core->mutex);
        if (core->owed.empty()) {
            core->owedSince = Clock::now();
            // A task that blocks before its batch ends still wakes the thread in time.
            if (core->owedSince + handoff < core->timerDeadline) core->timerWake.notify_one();
        }
        core->owed.emplace(key, std::move(wake));
        return;
    }
    wake();
}

void SerialPool::wakeOwedNow()
{
    if (Core* const core = Core::batching) {
        std::unique_lock lock(core->mutex);
        core->wakeOwedLocked(lock);
    }
}

}  // namespace dispatch
