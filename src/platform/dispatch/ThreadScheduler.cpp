#include "platform/dispatch/ThreadScheduler.h"

#include "platform/dispatch/DelayBound.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <map>
#include <vector>

namespace dispatch {
namespace {

using SteadyClock = std::chrono::steady_clock;

// The global queue, while the current thread runs a task for it.
thread_local const void* currentQueue = nullptr;

// Runs the task on the queue and blocks the calling thread until it has run.
void runAndWait(QueueBackend& queue, const Task& task)
{
    SemaphoreState done;
    queue.enqueue(
        [&] {
            task();
            std::lock_guard lock(done.mutex);
            done.count = 1;
            done.condition.notify_all();
        },
        0, nullptr);
    SerialPool::wakeOwedNow();
    std::unique_lock lock(done.mutex);
    done.condition.wait(lock, [&] { return done.count > 0; });
}

}  // namespace

// Tasks ordered by due time, then by arrival.
class ThreadScheduler::TaskHeap {
public:
    struct Entry {
        Task task;
        std::shared_ptr<std::atomic<bool>> cancelled;
    };
    using Key = std::pair<SteadyClock::time_point, std::uint64_t>;

    void push(Task task, double delay, std::shared_ptr<std::atomic<bool>> cancelled)
    {
        {
            std::lock_guard lock(mutex);
            const auto due = SteadyClock::now() + boundedDelay(delay);
            entries.emplace(Key{due, sequence++}, Entry{std::move(task), std::move(cancelled)});
        }
        condition.notify_one();
    }

    // Takes the first due task, or tells how long until one is due (lock held by caller).
    std::optional<Entry> takeDue(SteadyClock::duration* untilNext)
    {
        const auto current = SteadyClock::now();
        while (!entries.empty()) {
            auto it = entries.begin();
            if (it->first.first > current) {
                if (untilNext) *untilNext = it->first.first - current;
                return std::nullopt;
            }
            Entry entry = std::move(it->second);
            entries.erase(it);
            if (entry.cancelled && entry.cancelled->load()) continue;
            return entry;
        }
        if (untilNext) *untilNext = SteadyClock::duration::max();
        return std::nullopt;
    }

    // Blocks until a task is due or stop() says so when nothing waits.
    std::optional<Entry> waitForDue(const bool& stopWhenEmpty)
    {
        std::unique_lock lock(mutex);
        for (;;) {
            SteadyClock::duration untilNext{};
            if (auto entry = takeDue(&untilNext)) return entry;
            if (entries.empty() && stopWhenEmpty) return std::nullopt;
            if (untilNext == SteadyClock::duration::max())
                condition.wait(lock);
            else
                condition.wait_for(lock, untilNext);
        }
    }

    std::mutex mutex;
    std::condition_variable condition;
    std::map<Key, Entry> entries;
    std::uint64_t sequence = 0;
};

namespace {

// Runs the heap's due tasks until the heap is orphaned and empty, or the gate closes.
void serve(ThreadScheduler::TaskHeap& heap, const bool& orphaned, WorkerGate& gate)
{
    while (auto entry = heap.waitForDue(orphaned)) {
        if (!gate.enter()) return;
        entry->task();
        gate.leave();
    }
}

}  // namespace

// A serial queue's tasks run on the shared pool.
class ThreadScheduler::SerialQueue : public QueueBackend {
public:
    SerialQueue(std::string label, std::shared_ptr<SerialPool> pool)
        : label_(std::move(label)), pool_(std::move(pool)), lane_(pool_->makeLane())
    {
    }

    void enqueue(Task task, double delay, std::shared_ptr<std::atomic<bool>> cancelled) override
    {
        pool_->enqueue(lane_, std::move(task), delay, std::move(cancelled));
    }

    void sync(const Task& task) override
    {
        if (isCurrent()) reportDeadlock("sync into queue '" + label_ + "' from its own task");
        runAndWait(*this, task);
    }

    bool isCurrent() const override { return SerialPool::isRunning(*lane_); }

private:
    const std::string label_;
    const std::shared_ptr<SerialPool> pool_;
    const std::shared_ptr<SerialPool::Lane> lane_;
};

class ThreadScheduler::MainQueue : public QueueBackend {
public:
    void enqueue(Task task, double delay, std::shared_ptr<std::atomic<bool>> cancelled) override
    {
        heap.push(std::move(task), delay, std::move(cancelled));
        MainWaker wake;
        {
            std::lock_guard lock(wakerMutex);
            wake = waker;
        }
        if (!wake) return;
        if (delay > 0)
            wake(delay);
        else
            SerialPool::wakeAfterBatch(this, [wake] { wake(0); });
    }

    void sync(const Task& task) override
    {
        if (isCurrent()) {
            reportDeadlock("sync into the main queue from the main thread");
        }
        runAndWait(*this, task);
    }

    bool isCurrent() const override { return std::this_thread::get_id() == thread.load(); }

    double drain()
    {
        for (;;) {
            std::optional<TaskHeap::Entry> entry;
            SteadyClock::duration untilNext{};
            {
                std::lock_guard lock(heap.mutex);
                entry = heap.takeDue(&untilNext);
            }
            if (!entry) {
                if (untilNext == SteadyClock::duration::max()) return -1;
                return std::chrono::duration<double>(untilNext).count();
            }
            entry->task();
        }
    }

    TaskHeap heap;
    std::atomic<std::thread::id> thread{std::this_thread::get_id()};
    std::mutex wakerMutex;
    MainWaker waker;
};

// The global queue: a few workers sharing one heap.
class ThreadScheduler::ConcurrentQueue : public QueueBackend {
public:
    explicit ConcurrentQueue(std::shared_ptr<WorkerGate> gate) : state_(std::make_shared<State>())
    {
        state_->gate = std::move(gate);
    }

    ~ConcurrentQueue() override
    {
        {
            std::lock_guard lock(state_->heap.mutex);
            state_->orphaned = true;
        }
        state_->heap.condition.notify_all();
        for (auto& worker : workers_) worker.detach();
    }

    void enqueue(Task task, double delay, std::shared_ptr<std::atomic<bool>> cancelled) override
    {
        std::call_once(started_, [this] {
            const unsigned count = std::clamp(std::thread::hardware_concurrency(), 2u, 8u);
            for (unsigned i = 0; i < count; ++i)
                workers_.emplace_back([state = state_] {
                    currentQueue = state.get();
                    serve(state->heap, state->orphaned, *state->gate);
                });
        });
        state_->heap.push(std::move(task), delay, std::move(cancelled));
    }

    void sync(const Task& task) override
    {
        if (isCurrent()) {
            task();
            return;
        }
        runAndWait(*this, task);
    }

    bool isCurrent() const override { return currentQueue == state_.get(); }

private:
    struct State {
        TaskHeap heap;
        bool orphaned = false;
        std::shared_ptr<WorkerGate> gate;
    };
    std::shared_ptr<State> state_;
    std::once_flag started_;
    std::vector<std::thread> workers_;
};

ThreadScheduler::ThreadScheduler()
    : start_(SteadyClock::now()),
      gate_(std::make_shared<WorkerGate>()),
      main_(std::make_shared<MainQueue>()),
      serialPool_(std::make_shared<SerialPool>(gate_)),
      global_(std::make_shared<ConcurrentQueue>(gate_))
{
}

bool ThreadScheduler::stopWorkers(double timeoutSeconds) { return gate_->close(timeoutSeconds); }

ThreadScheduler::~ThreadScheduler() = default;

void ThreadScheduler::setMainWaker(MainWaker waker)
{
    std::lock_guard lock(main_->wakerMutex);
    main_->waker = std::move(waker);
}

double ThreadScheduler::drainMain() { return main_->drain(); }

void ThreadScheduler::setMainThread(std::thread::id id) { main_->thread.store(id); }

std::shared_ptr<QueueBackend> ThreadScheduler::makeQueue(const std::string& label, QueueKind kind)
{
    switch (kind) {
    case QueueKind::main: return main_;
    case QueueKind::concurrent: return global_;
    case QueueKind::serial: break;
    }
    return std::make_shared<SerialQueue>(label, serialPool_);
}

double ThreadScheduler::now() { return std::chrono::duration<double>(SteadyClock::now() - start_).count(); }

double ThreadScheduler::wallClock()
{
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

std::tm ThreadScheduler::localTime()
{
    const std::time_t seconds = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm parts{};
    localtime_r(&seconds, &parts);
    return parts;
}

void ThreadScheduler::sleepFor(double seconds)
{
    SerialPool::wakeOwedNow();
    if (seconds > 0) std::this_thread::sleep_for(boundedDelay(seconds));
}

bool ThreadScheduler::wait(SemaphoreState& semaphore, double timeoutSeconds)
{
    SerialPool::wakeOwedNow();
    std::unique_lock lock(semaphore.mutex);
    const auto ready = [&] { return semaphore.count > 0; };
    if (!std::isfinite(timeoutSeconds)) {
        semaphore.condition.wait(lock, ready);
    } else if (!semaphore.condition.wait_for(lock, boundedDelay(timeoutSeconds), ready)) {
        return false;
    }
    --semaphore.count;
    return true;
}

bool ThreadScheduler::pumpMain(const std::function<bool()>& done, double seconds, double pollSeconds)
{
    const auto deadline = SteadyClock::now() + boundedDelay(seconds);
    const bool onMain = main_->isCurrent();
    SerialPool::wakeOwedNow();
    for (;;) {
        if (done()) return true;
        const double untilNext = onMain ? main_->drain() : -1;
        if (done()) return true;
        const auto current = SteadyClock::now();
        if (current >= deadline) return false;
        auto pause = std::min(boundedDelay(pollSeconds), deadline - current);
        if (untilNext >= 0) pause = std::min(pause, boundedDelay(untilNext));
        if (!onMain) {
            std::this_thread::sleep_for(pause);
            continue;
        }
        // New main-queue work wakes the wait at once.
        auto& heap = main_->heap;
        std::unique_lock lock(heap.mutex);
        heap.condition.wait_for(lock, pause, [&] {
            return !heap.entries.empty() && heap.entries.begin()->first.first <= SteadyClock::now();
        });
    }
}

bool ThreadScheduler::runMainUntil(const std::function<bool()>& done, double seconds)
{
    return pumpMain(done, seconds, 0.01);
}

bool ThreadScheduler::waitRealTime(const std::function<bool()>& done, double seconds)
{
    return pumpMain(done, seconds, 0.05);
}

}  // namespace dispatch
