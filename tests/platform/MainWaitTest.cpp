#include "platform/dispatch/MainWait.h"
#include "platform/dispatch/Queue.h"
#include "platform/dispatch/ThreadScheduler.h"

#include "support/TestEnvironment.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace {

class MainWaitVirtual : public testsupport::VirtualTimeTest {};

using SteadyClock = std::chrono::steady_clock;

double secondsSince(SteadyClock::time_point start)
{
    return std::chrono::duration<double>(SteadyClock::now() - start).count();
}

}  // namespace

TEST_F(MainWaitVirtual, RunMainUntilAdvancesVirtualTimeToTheConditionOrTheDeadline)
{
    bool answered = false;
    dispatch::main().asyncAfter(3, [&] { answered = true; });
    dispatch::main().asyncAfter(30, [] {});
    EXPECT_TRUE(dispatch::runMainUntil([&] { return answered; }, 10));
    EXPECT_DOUBLE_EQ(dispatch::now(), 3);
    EXPECT_EQ(clock().pendingCount(), 1u);  // the later task waits for its time

    EXPECT_FALSE(dispatch::runMainUntil([] { return false; }, 5));
    EXPECT_DOUBLE_EQ(dispatch::now(), 8);

    // Already true: nothing runs, no time passes.
    EXPECT_TRUE(dispatch::runMainUntil([] { return true; }, 5));
    EXPECT_DOUBLE_EQ(dispatch::now(), 8);
}

TEST_F(MainWaitVirtual, AMainTaskThatWaitsLetsMainQueueAnswersRunBeneathIt)
{
    dispatch::Queue worker("worker");
    bool answered = false;
    bool waited = false;
    dispatch::main().async([&] {
        // The answer arrives on the main queue, as a URL load's does.
        worker.asyncAfter(1, [&] { dispatch::main().async([&] { answered = true; }); });
        waited = dispatch::runMainUntil([&] { return answered; }, 5);
    });
    clock().runUntilIdle();
    EXPECT_TRUE(waited);
    EXPECT_DOUBLE_EQ(dispatch::now(), 1);
}

TEST_F(MainWaitVirtual, WaitRealTimeRunsDueWorkAndKeepsTheVirtualClockStill)
{
    bool dueRan = false;
    bool laterRan = false;
    dispatch::main().async([&] { dueRan = true; });
    dispatch::main().asyncAfter(1, [&] { laterRan = true; });
    std::atomic<bool> outside{false};
    std::thread child([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(80));
        outside = true;
    });
    EXPECT_TRUE(dispatch::waitRealTime([&] { return outside.load(); }, 5));
    child.join();
    EXPECT_TRUE(dueRan);
    EXPECT_FALSE(laterRan);
    EXPECT_DOUBLE_EQ(dispatch::now(), 0);

    const auto start = SteadyClock::now();
    EXPECT_FALSE(dispatch::waitRealTime([] { return false; }, 0.12));
    const double waited = secondsSince(start);
    EXPECT_GE(waited, 0.12);
    EXPECT_LT(waited, 2.0);
    EXPECT_DOUBLE_EQ(dispatch::now(), 0);
}

TEST(MainWaitThreads, RunMainUntilDrainsTheMainQueueOnTheMainThread)
{
    auto scheduler = std::make_shared<dispatch::ThreadScheduler>();
    dispatch::install(scheduler);
    dispatch::Queue worker("worker");
    std::atomic<bool> answered{false};
    std::thread::id ranOn;
    worker.asyncAfter(0.02, [&] {
        dispatch::main().async([&] {
            ranOn = std::this_thread::get_id();
            answered = true;
        });
    });
    EXPECT_TRUE(dispatch::runMainUntil([&] { return answered.load(); }, 5));
    EXPECT_EQ(ranOn, std::this_thread::get_id());

    const auto start = SteadyClock::now();
    EXPECT_FALSE(dispatch::waitRealTime([] { return false; }, 0.1));
    EXPECT_GE(secondsSince(start), 0.1);
    dispatch::install(nullptr);
}
