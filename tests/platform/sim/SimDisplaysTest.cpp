#include "platform/dispatch/Queue.h"
#include "platform/sim/SimWorld.h"
#include "support/SimDesktopTest.h"

#include <gmock/gmock.h>

namespace {

class SimDisplaysTest : public testsupport::SimDesktopTest {
protected:
    desktop::Displays& displays() { return *desktop().displays; }

    void addSecondDisplay()
    {
        desktop::DisplayInfo second;
        second.id = 2;
        second.frame = {1512, 0, 1920, 1080};
        second.visibleFrame = {1512, 0, 1920, 1080};
        second.scale = 1;
        world().addDisplay(second);
    }
};

TEST_F(SimDisplaysTest, PrimaryFirstAndPointLookup)
{
    addSecondDisplay();
    const auto list = displays().activeDisplays();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].id, 1u);
    EXPECT_TRUE(list[0].isMain);
    EXPECT_FALSE(list[1].isMain);
    EXPECT_EQ(displays().mainDisplayID(), 1u);
    EXPECT_EQ(displays().displayAt({1600, 10}), 2u);
    EXPECT_EQ(displays().displayAt({-5, 10}), std::nullopt);
    EXPECT_EQ(desktop::firstScreenHeight(displays()), 982);
}

TEST_F(SimDisplaysTest, CommitsMoveOriginsAndNotifyOnTheMainQueue)
{
    addSecondDisplay();
    int notices = 0;
    const auto token = displays().addConfigurationObserver([&] {
        EXPECT_TRUE(dispatch::main().isCurrent());
        ++notices;
    });

    EXPECT_EQ(displays().commitConfiguration({{2, -1920, 100}}), 0);
    EXPECT_EQ(displays().display(2)->frame, core::Rect(-1920, 100, 1920, 1080));
    EXPECT_EQ(displays().display(2)->visibleFrame, core::Rect(-1920, 100, 1920, 1080));
    EXPECT_EQ(notices, 0);
    clock().runUntilIdle();
    EXPECT_EQ(notices, 1);

    EXPECT_EQ(displays().commitConfiguration({}), 0);
    EXPECT_EQ(displays().commitConfiguration({{2, 0, 0}, {9, 0, 0}}), 1001);
    EXPECT_EQ(displays().display(2)->frame.origin, (core::Point{-1920, 100})) << "a failed commit moves nothing";
    clock().runUntilIdle();
    EXPECT_EQ(notices, 2);

    const auto commits = journalOf("display.configure");
    ASSERT_EQ(commits.size(), 3u);
    EXPECT_EQ(commits[0]["changes"], (nlohmann::json{{{"id", 2}, {"x", -1920}, {"y", 100}}}));
    EXPECT_EQ(commits[2]["result"], 1001);

    displays().removeConfigurationObserver(token);
    world().removeDisplay(2);
    clock().runUntilIdle();
    EXPECT_EQ(notices, 2);
}

}  // namespace
