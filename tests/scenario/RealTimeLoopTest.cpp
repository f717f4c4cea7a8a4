#include "app/RealTimeLoop.h"

#include "platform/dispatch/Queue.h"
#include "platform/dispatch/ThreadScheduler.h"
#include "scenario/EmptyApplication.h"
#include "support/QtTestApplication.h"

#include <QWidget>

#include <gtest/gtest.h>

#include <functional>

namespace {

// Launching runs the given work; quitting is counted.
class CountingApplication : public scenario::EmptyApplication {
public:
    explicit CountingApplication(std::function<void()> atLaunch) : atLaunch_(std::move(atLaunch)) {}
    void launch(const std::vector<std::string>&) override { atLaunch_(); }
    void quit() override
    {
        ++quits;
        EmptyApplication::quit();
    }
    int quits = 0;

private:
    std::function<void()> atLaunch_;
};

// Left to itself, Qt ends the loop when its last ordinary window closes, and on a quit
// request first closes every window: a mini window, a tool window Qt does not count, would
// take that for its user's close.
TEST(RealTimeLoopTest, ClosingTheLastWindowEndsNothingAndAQuitRequestTakesTheApplicationsQuitPath)
{
    testsupport::ensureQtApplication();
    auto scheduler = std::make_shared<dispatch::ThreadScheduler>();
    dispatch::install(scheduler);
    QWidget guide;
    QWidget mini(nullptr, Qt::Tool);
    guide.show();
    mini.show();
    bool runningAfterTheClose = false;
    CountingApplication app([&] {
        guide.close();
        dispatch::main().asyncAfter(0.2, [&] {
            runningAfterTheClose = true;
            QCoreApplication::quit();
        });
    });

    EXPECT_EQ(app::runUntilExit(*scheduler, app, {}), 0);
    EXPECT_TRUE(runningAfterTheClose);
    EXPECT_EQ(app.quits, 1);
    EXPECT_TRUE(mini.isVisible());
    dispatch::install(nullptr);
}

}  // namespace
