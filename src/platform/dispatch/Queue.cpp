#include "platform/dispatch/Queue.h"

#include "platform/dispatch/Scheduler.h"
#include "platform/dispatch/ThreadScheduler.h"

#include <cstdio>
#include <cstdlib>

namespace dispatch {

struct QueueCore {
    std::string label;
    QueueKind kind;
    std::mutex mutex;
    std::shared_ptr<QueueBackend> backend;
    std::uint64_t generation = 0;
};

namespace {

std::mutex& installMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::shared_ptr<Scheduler>& installed()
{
    static std::shared_ptr<Scheduler> scheduler;
    return scheduler;
}

std::atomic<std::uint64_t> generation{1};

}  // namespace

void install(std::shared_ptr<Scheduler> scheduler)
{
    std::lock_guard lock(installMutex());
    installed() = std::move(scheduler);
    generation.fetch_add(1);
}

Scheduler& scheduler()
{
    std::lock_guard lock(installMutex());
    if (!installed()) {
        installed() = std::make_shared<ThreadScheduler>();
        generation.fetch_add(1);
    }
    return *installed();
}

std::uint64_t schedulerGeneration() { return generation.load(); }

void reportDeadlock(const std::string& what)
{
    std::fprintf(stderr, "dispatch: deadlock: %s\n", what.c_str());
    std::fflush(stderr);
    std::abort();
}

Queue::Queue(std::string label) : Queue(std::move(label), QueueKind::serial) {}

Queue::Queue(std::string label, QueueKind kind) : core_(std::make_shared<QueueCore>())
{
    core_->label = std::move(label);
    core_->kind = kind;
}

std::shared_ptr<QueueBackend> Queue::backend() const
{
    Scheduler& current = scheduler();
    const auto wanted = schedulerGeneration();
    std::lock_guard lock(core_->mutex);
    if (!core_->backend || core_->generation != wanted) {
        core_->backend = current.makeQueue(core_->label, core_->kind);
        core_->generation = wanted;
    }
    return core_->backend;
}

const std::string& Queue::label() const { return core_->label; }

void Queue::async(Task task) const { backend()->enqueue(std::move(task), 0, nullptr); }

WorkItem Queue::asyncAfter(double seconds, Task task) const
{
    auto cancelled = std::make_shared<std::atomic<bool>>(false);
    backend()->enqueue(std::move(task), seconds, cancelled);
    return WorkItem(cancelled);
}

void Queue::sync(const Task& task) const { backend()->sync(task); }

bool Queue::isCurrent() const { return backend()->isCurrent(); }

Queue& main()
{
    static Queue queue("main", QueueKind::main);
    return queue;
}

Queue& global()
{
    static Queue queue("global", QueueKind::concurrent);
    return queue;
}

double now() { return scheduler().now(); }
double wallClock() { return scheduler().wallClock(); }
std::tm localTime() { return scheduler().localTime(); }
void sleepFor(double seconds) { scheduler().sleepFor(seconds); }

}  // namespace dispatch
