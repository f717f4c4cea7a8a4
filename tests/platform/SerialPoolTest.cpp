#include "platform/dispatch/Semaphore.h"
#include "platform/dispatch/ThreadScheduler.h"
#include "platform/dispatch/Timer.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <array>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
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
            if (woken_.wait_until(lock, deadline) == std::cv_status::timeout) return done();
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
};

class SerialPoolTest : public ::testing::Test {
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

// Sixteen mini windows' streams tick at one interval on queues of their own, and each tick
// hands something to the main thread. Ticks that fall due together wake one worker and
// the main thread once, not a thread each; each queue still runs one task at a time.
TEST_F(SerialPoolTest, TimersOfOneIntervalOnManyQueuesWakeTheirThreadsTogether)
{
    MainThreadStandIn mainThread(*scheduler);
    std::vector<dispatch::Queue> queues;
    for (int i = 0; i < queueCount; ++i) queues.emplace_back("stream");
    std::array<std::atomic<int>, queueCount> inTask{};
    std::atomic<bool> overlapped{false};
    std::atomic<long> ticks{0}, handedOver{0};
    std::vector<dispatch::Timer> timers;
    const long switchesBefore = voluntarySwitches();
    const long wakesBefore = mainThread.wakes();
    for (int i = 0; i < queueCount; ++i) {
        timers.emplace_back(queues[i], frameInterval, [&, i] {
            if (inTask[i].fetch_add(1) != 0) overlapped = true;
            ++ticks;
            dispatch::main().async([&] { ++handedOver; });
            inTask[i].fetch_sub(1);
        });
    }
    constexpr long wanted = queueCount * 12;
    ASSERT_TRUE(mainThread.serveUntil([&] { return handedOver.load() >= wanted; }, 10));
    const long switches = voluntarySwitches() - switchesBefore;
    const long wakes = mainThread.wakes() - wakesBefore;
    for (int i = 0; i < queueCount; ++i) queues[i].sync([&] { timers[i].cancel(); });

    EXPECT_FALSE(overlapped);
    // A thread per queue would switch at least once per tick, and the main thread once per
    // handover.
    EXPECT_LT(switches, ticks.load() / 3) << ticks.load() << " ticks";
    EXPECT_LT(wakes, handedOver.load() / 3) << handedOver.load() << " handovers";
}

// A task that blocks holds its worker, never the queues due with it or after it; one that
// waits for the main thread wakes it first.
TEST_F(SerialPoolTest, ABlockedTaskHoldsUpNoOtherQueue)
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
