#include "platform/dispatch/ThreadScheduler.h"
#include "platform/dispatch/DelayBound.h"
#include "platform/dispatch/Semaphore.h"
#include "platform/dispatch/Timer.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr int queueCount = 16;
constexpr double frameInterval = 1.0 / 30;

long voluntarySwitches()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_nvcsw;
}

// The test thread stands for the main thread: it drains the main queue whenever the
// waker says so, and counts the wakes.
class MainThreadStandIn {
public:
    explicit MainThreadStandIn(dispatch::ThreadScheduler& scheduler) : scheduler_(scheduler)
    {
        scheduler_.setMainWaker([this](double) {
            std::lock_guard lock(mutex_);
            ++wakes_;
            pending_ = true;
            woken_.notify_all();
        });
    }
    ~MainThreadStandIn() { scheduler_.setMainWaker({}); }

    // Drains on every wake until done() or the seconds pass.
    bool serveUntil(const std::function<bool()>& done, double seconds)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        for (;;) {
            scheduler_.drainMain();
            if (done()) return true;
            std::unique_lock lock(mutex_);
            if (!woken_.wait_until(lock, deadline, [this] { return pending_; })) return done();
            pending_ = false;
        }
    }

    long wakes()
    {
        std::lock_guard lock(mutex_);
        return wakes_;
    }

private:
    dispatch::ThreadScheduler& scheduler_;
    std::mutex mutex_;
    std::condition_variable woken_;
    long wakes_ = 0;
    bool pending_ = false;
};

class ThreadSchedulerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        scheduler = std::make_shared<dispatch::ThreadScheduler>();
        dispatch::install(scheduler);
    }
    void TearDown() override { dispatch::install(nullptr); }

    std::shared_ptr<dispatch::ThreadScheduler> scheduler;
};

}  // namespace

TEST_F(ThreadSchedulerTest, ASerialQueueRunsItsTasksInOrderOffTheCallingThread)
{
    dispatch::Queue q("serial");
    std::vector<int> order;
    dispatch::Semaphore done;
    for (int i = 0; i < 100; ++i) q.async([&, i] { order.push_back(i); });
    q.async([&] {
        EXPECT_TRUE(q.isCurrent());
        done.signal();
    });
    ASSERT_TRUE(done.wait(5));
    ASSERT_EQ(order.size(), 100u);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(order[i], i);
    EXPECT_FALSE(q.isCurrent());
    EXPECT_EQ(q.syncResult([] { return 7; }), 7);
}

TEST_F(ThreadSchedulerTest, DelayedAndCancelledWork)
{
    dispatch::Queue q("delayed");
    dispatch::Semaphore done;
    bool cancelledRan = false;
    const double start = dispatch::now();
    double ranAfter = 0;
    q.asyncAfter(0.01, [&] { cancelledRan = true; }).cancel();
    q.asyncAfter(0.05, [&] {
        ranAfter = dispatch::now() - start;
        done.signal();
    });
    ASSERT_TRUE(done.wait(5));
    EXPECT_GE(ranAfter, 0.045);
    EXPECT_FALSE(cancelledRan);
    dispatch::Semaphore never;
    EXPECT_FALSE(never.wait(0.02));
}

// Delays past the clock's range once came out negative: the task ran at once, and a timer
// of such an interval ran again and again.
TEST_F(ThreadSchedulerTest, FarDelaysWaitADayAtMostAndNeverComeDue)
{
    dispatch::Queue q("far");
    std::atomic<int> farRuns = 0;
    std::vector<dispatch::WorkItem> farWork;
    for (const double far : {9.3e9, 1e10, 1e300}) farWork.push_back(q.asyncAfter(far, [&] { ++farRuns; }));
    dispatch::Semaphore done;
    q.async([&] { done.signal(); });
    ASSERT_TRUE(done.wait(5));
    EXPECT_EQ(farRuns.load(), 0);

    scheduler->setMainWaker([](double) {});
    bool mainRan = false;
    farWork.push_back(dispatch::main().asyncAfter(1e10, [&] { mainRan = true; }));
    EXPECT_LE(scheduler->drainMain(), dispatch::longestDelaySeconds);
    EXPECT_FALSE(mainRan);
    for (auto& work : farWork) work.cancel();
}

TEST_F(ThreadSchedulerTest, MainQueueRunsWhenItsThreadDrainsIt)
{
    std::vector<double> wakeDelays;
    std::mutex mutex;
    scheduler->setMainWaker([&](double delay) {
        std::lock_guard lock(mutex);
        wakeDelays.push_back(delay);
    });
    bool ran = false;
    dispatch::global().async([&] { dispatch::main().async([&] { ran = dispatch::main().isCurrent(); }); });
    for (int i = 0; i < 2500 && !ran; ++i) {
        scheduler->drainMain();
        dispatch::sleepFor(0.002);
    }
    EXPECT_TRUE(ran);
    std::lock_guard lock(mutex);
    EXPECT_FALSE(wakeDelays.empty());
}

TEST_F(ThreadSchedulerTest, ATimerFiresRepeatedly)
{
    dispatch::Queue q("timer");
    dispatch::Semaphore threeTicks;
    int ticks = 0;
    dispatch::Timer timer(q, 0.01, [&] {
        if (++ticks == 3) threeTicks.signal();
    });
    ASSERT_TRUE(threeTicks.wait(5));
    q.sync([&] { timer.cancel(); });
}

// Before a process ends without its destructors, the tasks the workers run end first and
// no worker starts another; one that never ends only delays the stop by the time given.
TEST_F(ThreadSchedulerTest, StoppedWorkersFinishTheirTaskAndStartNoOther)
{
    dispatch::Queue serial("stopping");
    auto& global = dispatch::global();
    dispatch::Semaphore started;
    std::atomic<bool> finished{false}, laterRan{false};
    serial.async([&] {
        started.signal();
        dispatch::sleepFor(0.1);
        finished = true;
    });
    ASSERT_TRUE(started.wait(5));
    serial.async([&] { laterRan = true; });
    global.asyncAfter(0.05, [&] { laterRan = true; });
    EXPECT_TRUE(scheduler->stopWorkers(5));
    EXPECT_TRUE(finished);
    dispatch::sleepFor(0.1);
    EXPECT_FALSE(laterRan);
}

TEST_F(ThreadSchedulerTest, StoppingGivesUpOnATaskThatDoesNotEnd)
{
    dispatch::Queue serial("stuck");
    dispatch::Semaphore started, never, left;
    serial.async([&] {
        started.signal();
        never.wait(5);
        left.signal();
    });
    ASSERT_TRUE(started.wait(5));
    const double before = dispatch::now();
    EXPECT_FALSE(scheduler->stopWorkers(0.05));
    EXPECT_LT(dispatch::now() - before, 0.5);
    never.signal();
    EXPECT_TRUE(left.wait(5));
}

// Sixteen still mini windows' streams tick at one interval on queues of their own, and
// each tick hands something to the main thread. Aligned ticks fall due together and wake
// one worker and the main thread once, not a thread each; each queue still runs one task
// at a time.
TEST_F(ThreadSchedulerTest, TimersOfOneIntervalOnManyQueuesWakeTheirThreadsTogether)
{
    MainThreadStandIn mainThread(*scheduler);
    std::vector<dispatch::Queue> queues;
    for (int i = 0; i < queueCount; ++i) queues.emplace_back("stream");
    std::array<std::atomic<int>, queueCount> inTask{};
    std::atomic<bool> overlapped{false};
    std::atomic<long> ticks{0}, handedOver{0};
    std::vector<dispatch::Timer> timers;
    // The mini windows open one after another.
    for (int i = 0; i < queueCount; ++i) {
        timers.emplace_back(queues[i], frameInterval, [&, i] {
            if (inTask[i].fetch_add(1) != 0) overlapped = true;
            ++ticks;
            dispatch::main().async([&] { ++handedOver; });
            inTask[i].fetch_sub(1);
        });
        timers.back().alignTicks(true);
        std::this_thread::sleep_for(std::chrono::duration<double>(frameInterval / queueCount));
    }
    // Each timer's first tick was set before it was aligned.
    std::this_thread::sleep_for(std::chrono::duration<double>(2 * frameInterval));
    const long switchesBefore = voluntarySwitches();
    const long wakesBefore = mainThread.wakes();
    const long ticksBefore = ticks.load();
    const long handedOverBefore = handedOver.load();
    const long wanted = handedOverBefore + queueCount * 12;
    ASSERT_TRUE(mainThread.serveUntil([&] { return handedOver.load() >= wanted; }, 10));
    const long switches = voluntarySwitches() - switchesBefore;
    const long wakes = mainThread.wakes() - wakesBefore;
    const long ticked = ticks.load() - ticksBefore;
    const long handed = handedOver.load() - handedOverBefore;
    for (int i = 0; i < queueCount; ++i) queues[i].sync([&] { timers[i].cancel(); });

    EXPECT_FALSE(overlapped);
    // A thread per queue would switch at least once per tick, and the main thread once per
    // handover: twice a tick in all. A loaded machine preempts and splits some rounds.
    EXPECT_LT(switches, ticked) << ticked << " ticks";
    EXPECT_LT(wakes, handed / 2) << handed << " handovers";
}

// A still stream needs a tick only now and then: every fifth point of a 10 ms grid is
// about twenty ticks a second, also for a timer aligned between two of them.
TEST_F(ThreadSchedulerTest, AlignedTimersTickOnEveryNthPointOfTheirGridOnly)
{
    dispatch::Queue first("first"), second("second");
    std::atomic<int> firstTicks{0}, secondTicks{0};
    dispatch::Timer firstTimer(first, 0.01, [&] { ++firstTicks; });
    firstTimer.alignTicks(true, 5);
    std::this_thread::sleep_for(std::chrono::milliseconds(17));
    dispatch::Timer secondTimer(second, 0.01, [&] { ++secondTicks; });
    secondTimer.alignTicks(true, 5);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    first.sync([&] { firstTimer.cancel(); });
    second.sync([&] { secondTimer.cancel(); });
    // Each timer's first tick was set before it was aligned; a loaded machine ticks late.
    EXPECT_LE(firstTicks.load(), 12);
    EXPECT_LE(secondTicks.load(), 12);
    EXPECT_GE(firstTicks.load(), 3);
    EXPECT_GE(secondTicks.load(), 3);
}

// A task that blocks holds its worker, never the queues due with it or after it; one that
// waits for the main thread wakes it first.
TEST_F(ThreadSchedulerTest, ABlockedTaskHoldsUpNoOtherQueue)
{
    MainThreadStandIn mainThread(*scheduler);
    dispatch::Queue waiter("waiter"), helper("helper"), later("later");
    dispatch::Semaphore helped, finished;
    std::atomic<bool> waitedForHelper{false}, mainAnswered{false};
    // Due together: the waiter first, then the helper it waits for.
    waiter.asyncAfter(0.02, [&] {
        waitedForHelper = helped.wait(5);
        mainAnswered = dispatch::main().syncResult([] { return true; });
        finished.signal();
    });
    helper.asyncAfter(0.02, [&] { helped.signal(); });
    std::atomic<bool> laterRan{false};
    later.async([&] { laterRan = true; });

    const auto start = std::chrono::steady_clock::now();
    std::atomic<bool> done{false};
    dispatch::global().async([&] {
        done = finished.wait(5);
        dispatch::main().async([] {});
    });
    ASSERT_TRUE(mainThread.serveUntil([&] { return done.load(); }, 10));
    EXPECT_TRUE(waitedForHelper);
    EXPECT_TRUE(mainAnswered);
    EXPECT_TRUE(laterRan);
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 1.0);
}
