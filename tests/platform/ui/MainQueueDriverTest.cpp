#include "platform/ui/MainQueueDriver.h"

#include "platform/dispatch/ThreadScheduler.h"
#include "support/QtTestApplication.h"

#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

TEST(MainQueueDriverTest, TheQtEventLoopRunsMainWorkNowAndLater)
{
    testsupport::ensureQtApplication();
    auto scheduler = std::make_shared<dispatch::ThreadScheduler>();
    dispatch::install(scheduler);
    dispatch::main().async([] {});  // queued before the driver starts
    ui::runMainQueueOnQt(*scheduler);

    QEventLoop loop;
    QTimer::singleShot(5000, &loop, [&] { loop.exit(1); });  // a guard, should it hang
    const auto guiThread = std::this_thread::get_id();
    std::vector<std::string> ran;
    bool onGuiThread = true;
    double delayedAfter = 0;
    const double start = dispatch::now();

    dispatch::main().asyncAfter(0.05, [&] {
        delayedAfter = dispatch::now() - start;
        ran.push_back("later");
        loop.exit(0);
    });
    dispatch::global().async([&] {
        dispatch::main().async([&] {
            onGuiThread = onGuiThread && std::this_thread::get_id() == guiThread && dispatch::main().isCurrent();
            ran.push_back("from a worker");
        });
    });
    EXPECT_EQ(loop.exec(), 0);
    EXPECT_EQ(ran, (std::vector<std::string>{"from a worker", "later"}));
    EXPECT_TRUE(onGuiThread);
    EXPECT_GE(delayedAfter, 0.045);

    dispatch::install(nullptr);
}

}  // namespace
