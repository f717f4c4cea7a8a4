#include "ParkedWorld.h"

#include "platform/dispatch/ThreadScheduler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <mutex>

namespace {

using Outcome = ParkingService::RescueOutcome;

// The application quits while the parked window's application hangs two seconds in every
// accessibility call (the window was parked in virtual time, before the hang).
class QuitWithHangingAppTest : public testsupport::ParkedWorldTest {
protected:
    void SetUp() override
    {
        ParkedWorldTest::SetUp();
        cover(21);
        ASSERT_EQ(park(), Outcome::parked);
        // The parking queue may write from a thread of its own.
        VDLog::sink = [this](const std::string& line) {
            std::lock_guard lock(mutex_);
            threadLines_.push_back(line);
        };
        sim::AppBehavior hanging;
        hanging.hang = 2;
        world().setBehavior(notes, hanging);
    }

    void TearDown() override
    {
        dispatch::install(scheduler_);
        threads_.reset();
        ParkedWorldTest::TearDown();
    }

    // The index of the first line containing the fragment; the line count when none does.
    std::size_t indexOf(const std::string& fragment)
    {
        std::lock_guard lock(mutex_);
        return static_cast<std::size_t>(
            std::find_if(threadLines_.begin(), threadLines_.end(),
                         [&](const std::string& line) { return line.find(fragment) != std::string::npos; }) -
            threadLines_.begin());
    }
    std::size_t lineCount()
    {
        std::lock_guard lock(mutex_);
        return threadLines_.size();
    }

    const std::string timeOutLine = "[VD] 退出还原：等待超时（3s）";
    const std::string restoredLine = "[VD] 已还原 Notes #11";
    std::shared_ptr<dispatch::ThreadScheduler> threads_;
    std::mutex mutex_;
    std::vector<std::string> threadLines_;
};

TEST_F(QuitWithHangingAppTest, OnThreadsTheQuitReturnsInTimeAndTheGiveBackFinishesBehindIt)
{
    threads_ = std::make_shared<dispatch::ThreadScheduler>();
    dispatch::install(threads_);
    const auto start = std::chrono::steady_clock::now();
    parking().restoreAllBlocking(3.0);
    const std::chrono::duration<double> waited = std::chrono::steady_clock::now() - start;
    EXPECT_LT(waited.count(), 3.5);

    // Wait for the give-back before the desktop goes.
    for (int polls = 0; polls < 600 && indexOf(restoredLine) == lineCount(); ++polls) dispatch::sleepFor(0.05);
    ASSERT_LT(indexOf(restoredLine), lineCount());
    EXPECT_LT(indexOf(timeOutLine), indexOf(restoredLine));
    EXPECT_EQ(frameOf(source), home);
}

TEST_F(QuitWithHangingAppTest, InVirtualTimeTheWaitRunsTheGiveBackThroughAndTimesOutAfterIt)
{
    const double start = dispatch::now();
    parking().restoreAllBlocking(3.0);
    EXPECT_GT(dispatch::now() - start, 3.0);
    ASSERT_LT(indexOf(timeOutLine), lineCount());
    EXPECT_LT(indexOf(restoredLine), indexOf(timeOutLine));
    EXPECT_EQ(frameOf(source), home);
}

}  // namespace
