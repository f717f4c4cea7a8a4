#include "platform/dispatch/Queue.h"
#include "platform/dispatch/Semaphore.h"
#include "platform/dispatch/Timer.h"

#include "support/TestEnvironment.h"

#include <string>
#include <vector>

namespace {

class ManualScheduler : public testsupport::VirtualTimeTest {};

}  // namespace

TEST_F(ManualScheduler, RunsTasksInDueOrderThenArrivalOrder)
{
    dispatch::Queue a("a");
    dispatch::Queue b("b");
    std::vector<std::string> order;
    a.asyncAfter(2, [&] { order.push_back("a2"); });
    b.async([&] { order.push_back("b0"); });
    a.async([&] { order.push_back("a0"); });
    b.asyncAfter(1, [&] {
        order.push_back("b1");
        a.async([&] { order.push_back("a-from-b1"); });
    });

    clock().runUntilIdle();
    EXPECT_EQ(order, (std::vector<std::string>{"b0", "a0"}));
    clock().advance(1.5);
    EXPECT_EQ(order.back(), "a-from-b1");
    EXPECT_DOUBLE_EQ(dispatch::now(), 1.5);
    clock().advance(10);
    EXPECT_EQ(order, (std::vector<std::string>{"b0", "a0", "b1", "a-from-b1", "a2"}));
}

TEST_F(ManualScheduler, TasksSeeTheirDueTimeAndCancelledOnesNeverRun)
{
    dispatch::Queue q("q");
    double seenAt = -1;
    bool cancelledRan = false;
    q.asyncAfter(0.35, [&] { seenAt = dispatch::now(); });
    auto item = q.asyncAfter(0.2, [&] { cancelledRan = true; });
    item.cancel();
    clock().advance(1);
    EXPECT_DOUBLE_EQ(seenAt, 0.35);
    EXPECT_FALSE(cancelledRan);
    EXPECT_TRUE(item.isCancelled());
    EXPECT_EQ(clock().pendingCount(), 0u);
}

TEST_F(ManualScheduler, SyncRunsEarlierWorkOfThatQueueFirstThenInline)
{
    dispatch::Queue q("q");
    std::vector<int> order;
    q.async([&] { order.push_back(1); });
    q.sync([&] { order.push_back(2); });
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
    EXPECT_EQ(q.syncResult([&] { return q.isCurrent(); }), true);
    EXPECT_FALSE(q.isCurrent());
}

TEST_F(ManualScheduler, SleepAdvancesTheClockWithoutRunningWork)
{
    dispatch::Queue q("q");
    bool ran = false;
    q.asyncAfter(0.1, [&] { ran = true; });
    dispatch::sleepFor(1);
    EXPECT_FALSE(ran);
    EXPECT_DOUBLE_EQ(dispatch::now(), 1);
    clock().runUntilIdle();
    EXPECT_TRUE(ran);
}

TEST_F(ManualScheduler, SemaphoreWaitRunsOtherQueuesUntilSignalledOrTimedOut)
{
    dispatch::Queue worker("worker");
    dispatch::Queue caller("caller");
    dispatch::Semaphore done;
    worker.asyncAfter(0.5, [&] { done.signal(); });
    bool signalled = false;
    double finishedAt = 0;
    caller.async([&] {
        signalled = done.wait(2);
        finishedAt = dispatch::now();
    });
    clock().runUntilIdle();
    EXPECT_TRUE(signalled);
    EXPECT_DOUBLE_EQ(finishedAt, 0.5);

    dispatch::Semaphore never;
    caller.async([&] { signalled = never.wait(3); });
    clock().runUntilIdle();
    EXPECT_FALSE(signalled);
    EXPECT_DOUBLE_EQ(dispatch::now(), 3.5);
}

TEST_F(ManualScheduler, AWaitWhoseDeadlinePassesDuringOtherWorkTimesOut)
{
    dispatch::Queue worker("worker");
    dispatch::Queue caller("caller");
    dispatch::Semaphore late;
    bool laterWorkRan = false;
    // Due before the deadline, but it signals only after it.
    worker.asyncAfter(0.5, [&] {
        dispatch::sleepFor(2);
        late.signal();
    });
    worker.asyncAfter(0.8, [&] { laterWorkRan = true; });
    bool signalled = true;
    bool ranBeforeGivingUp = true;
    caller.async([&] {
        signalled = late.wait(1);
        ranBeforeGivingUp = laterWorkRan;
    });
    clock().runUntilIdle();
    EXPECT_FALSE(signalled);
    EXPECT_FALSE(ranBeforeGivingUp) << "the wait gave up before running more work";
    EXPECT_TRUE(late.wait(0)) << "the late signal stays for the next wait";

    dispatch::Semaphore early;
    caller.async([&] { signalled = early.wait(1); });
    worker.async([&] {
        early.signal();
        dispatch::sleepFor(2);
    });
    clock().runUntilIdle();
    EXPECT_TRUE(signalled) << "signalled in time, though the work went on past the deadline";

    dispatch::Semaphore ready(1);
    caller.async([&] { signalled = ready.wait(0); });
    clock().runUntilIdle();
    EXPECT_TRUE(signalled) << "an initial count is there from the start";
}

TEST_F(ManualScheduler, AWaitDoesNotRunWorkOfTheQueueThatIsWaiting)
{
    dispatch::Queue q("q");
    dispatch::Semaphore s;
    bool signalled = true;
    q.async([&] {
        q.async([&] { s.signal(); });  // cannot run while q is busy waiting
        signalled = s.wait(1);
    });
    clock().runUntilIdle();
    EXPECT_FALSE(signalled);
}

TEST_F(ManualScheduler, TimersRepeatUntilCancelled)
{
    dispatch::Queue q("q");
    std::vector<double> ticks;
    dispatch::Timer timer(q, 0.5, [&] { ticks.push_back(dispatch::now()); });
    clock().advance(1.6);
    EXPECT_EQ(ticks, (std::vector<double>{0.5, 1.0, 1.5}));
    timer.cancel();
    clock().advance(5);
    EXPECT_EQ(ticks.size(), 3u);
    {
        dispatch::Timer scoped(q, 1, [&] { ticks.push_back(-1); });
    }
    clock().advance(5);
    EXPECT_EQ(ticks.size(), 3u) << "a destroyed timer stops";
}

TEST_F(ManualScheduler, WallClockAndLocalTimeFollowVirtualTime)
{
    const std::tm start = dispatch::localTime();
    EXPECT_EQ(start.tm_hour, 9);
    EXPECT_EQ(start.tm_min, 0);
    clock().advance(3661.5);
    const std::tm later = dispatch::localTime();
    EXPECT_EQ(later.tm_hour, 10);
    EXPECT_EQ(later.tm_min, 1);
    EXPECT_EQ(later.tm_sec, 1);
}

TEST_F(ManualScheduler, QueuesFollowANewlyInstalledScheduler)
{
    static dispatch::Queue longLived("long-lived");
    bool ran = false;
    longLived.async([&] { ran = true; });
    clock().runUntilIdle();
    EXPECT_TRUE(ran);
}

using ManualSchedulerDeathTest = ManualScheduler;

TEST_F(ManualSchedulerDeathTest, SyncIntoARunningQueueIsReportedAsADeadlock)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            dispatch::Queue outer("outer");
            dispatch::Queue inner("inner");
            outer.async([&] { inner.sync([&] { outer.sync([] {}); }); });
            clock().runUntilIdle();
        },
        "deadlock: sync into queue 'outer'.*'outer' > 'inner'");
}

TEST_F(ManualSchedulerDeathTest, AnEndlessWaitWithNothingToRunIsReportedAsADeadlock)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            dispatch::Semaphore s;
            s.wait();
        },
        "deadlock: waiting forever");
}
