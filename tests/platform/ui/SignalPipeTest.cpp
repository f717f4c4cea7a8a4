#include "platform/ui/SignalPipe.h"

#include "support/QtTestApplication.h"
#include "support/TestEnvironment.h"

#include <QCoreApplication>

#include <csignal>
#include <vector>

namespace {

class SignalPipeTest : public testsupport::VirtualTimeTest {
protected:
    void SetUp() override
    {
        testsupport::ensureQtApplication();
        VirtualTimeTest::SetUp();
    }
    void TearDown() override
    {
        ui::SignalPipe::reset();
        VirtualTimeTest::TearDown();
    }
};

TEST_F(SignalPipeTest, RealSignalsBecomeOneMainQueueTaskEachAQuitAheadOfTheOthers)
{
    std::vector<int> handled;
    ASSERT_TRUE(ui::SignalPipe::handle(SIGUSR2, [&] { handled.push_back(SIGUSR2); }));
    ASSERT_TRUE(ui::SignalPipe::handle(SIGTERM, [&] { handled.push_back(SIGTERM); }));
    EXPECT_FALSE(ui::SignalPipe::handle(SIGHUP, [] {})) << "only the four signals";

    ASSERT_EQ(std::raise(SIGUSR2), 0);
    ASSERT_EQ(std::raise(SIGTERM), 0);  // would end the process without the handler
    ASSERT_EQ(std::raise(SIGUSR2), 0);
    EXPECT_TRUE(handled.empty()) << "nothing runs in the signal handler";

    // The reader is the event loop's; the tasks then wait for the main queue.
    QCoreApplication::processEvents();
    EXPECT_TRUE(handled.empty());
    clock().runUntilIdle();
    EXPECT_EQ(handled, (std::vector<int>{SIGTERM, SIGUSR2, SIGUSR2}));
}

TEST_F(SignalPipeTest, ALaterHandlerReplacesTheEarlierOne)
{
    int first = 0;
    int second = 0;
    ASSERT_TRUE(ui::SignalPipe::handle(SIGUSR1, [&] { ++first; }));
    ASSERT_TRUE(ui::SignalPipe::handle(SIGUSR1, [&] { ++second; }));
    ASSERT_EQ(std::raise(SIGUSR1), 0);
    ui::SignalPipe::drain();
    clock().runUntilIdle();
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 1);
}

}  // namespace
