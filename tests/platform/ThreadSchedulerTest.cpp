#include "platform/dispatch/ThreadScheduler.h"
#include "platform/dispatch/Semaphore.h"
#include "platform/dispatch/Timer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <vector>

namespace {

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
