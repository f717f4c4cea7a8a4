#include "BridgeTest.h"

#include "foundation/ActiveDisplays.h"
#include "foundation/WindowQuery.h"

using EventBridge::pidOf;
using EventBridge::windowExists;
using EventBridge::windowOwnerName;
using EventBridge::windowOwnerPid;

namespace {

class WindowQueries : public BridgeTest {
protected:
    void SetUp() override
    {
        BridgeTest::SetUp();
        addApp(201, "Safari", "com.apple.Safari");
        addWindow(201, 11, core::Rect(100, 100, 800, 600), "Start Page");
    }
};

}  // namespace

TEST_F(WindowQueries, OnScreenExistingAndGoneWindows)
{
    const auto info = WindowQuery::onScreenInfo(11);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->number, 11u);
    EXPECT_EQ(WindowQuery::boundsOf(*info), core::Rect(100, 100, 800, 600));
    EXPECT_EQ(windowOwnerName(11), "Safari/layer0");

    world().setMinimized(11, true);
    EXPECT_FALSE(WindowQuery::onScreenInfo(11));
    EXPECT_TRUE(windowExists(11));

    world().removeWindow(11);
    EXPECT_FALSE(WindowQuery::onScreenInfo(11));
    EXPECT_FALSE(windowExists(11));
    EXPECT_EQ(windowOwnerName(11), "已销毁?");
}

TEST_F(WindowQueries, OwnerUnderAPointLooksThroughOwnWindowsAndOtherLayers)
{
    sim::SimWindow panel;
    panel.id = world().allocateWindowNumber();
    panel.pid = world().ownPid();
    panel.own = true;
    panel.ownVisible = true;
    panel.frame = core::Rect(150, 150, 200, 150);
    world().addWindow(panel);
    EXPECT_EQ(windowOwnerPid({200, 200}), 201);

    addApp(300, "Dock", "com.apple.dock");
    addWindow(300, 30, core::Rect(0, 900, 1512, 82), "", desktop::level::dock);
    EXPECT_FALSE(windowOwnerPid({50, 950}));
    EXPECT_FALSE(windowOwnerPid({1000, 50}));
}

TEST_F(WindowQueries, AnOwnerlessWindowIsLookedThroughNotAnsweredAsProcessZero)
{
    addWindow(0, 40, core::Rect(120, 120, 300, 300), "ownerless");
    EXPECT_EQ(windowOwnerPid({200, 200}), 201);
    world().removeWindow(11);
    EXPECT_FALSE(windowOwnerPid({200, 200}));
}

TEST_F(WindowQueries, PidOfIsTheWindowsOwnProcessEvenWithTwoInstances)
{
    addApp(202, "Safari", "com.apple.Safari");
    addWindow(202, 12, core::Rect(300, 300, 400, 300));
    EXPECT_EQ(pidOf(shareable(12, 202, "com.apple.Safari", {})), 202);
    // Without a process id the bundle identifier decides: the first instance.
    EXPECT_EQ(pidOf(shareable(12, 0, "com.apple.Safari", {})), 201);
    EXPECT_FALSE(pidOf(shareable(12, 0, "com.example.gone", {})));
    desktop::ShareableWindow orphan;
    orphan.windowID = 12;
    EXPECT_FALSE(pidOf(orphan));
}

TEST_F(WindowQueries, ActiveDisplaysInTheSystemsOrder)
{
    desktop::DisplayInfo second;
    second.id = 7;
    second.frame = core::Rect(1512, 0, 1920, 1080);
    world().addDisplay(second);
    EXPECT_EQ(activeDisplayIDs(), (std::vector<desktop::DisplayID>{1, 7}));
    world().removeDisplay(1);
    world().removeDisplay(7);
    EXPECT_TRUE(activeDisplayIDs().empty());
}
