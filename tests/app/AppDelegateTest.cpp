#include "app/AppDelegate.h"
#include "foundation/EventBridge.h"
#include "panels/PipPanel.h"
#include "parking/VirtualDisplayController.h"
#include "parking/WindowParking.h"
#include "platform/defaults/Defaults.h"
#include "platform/ui/Window.h"
#include "support/QtTestApplication.h"
#include "support/SimDesktopTest.h"

#include <gtest/gtest.h>

namespace {

using scenario::CommandCall;

class AppDelegateTest : public testsupport::SimDesktopTest {
protected:
    void SetUp() override
    {
        testsupport::ensureQtApplication();
        SimDesktopTest::SetUp();
        defaults::Defaults::standard().reopen(configHome() + "/Glimra/defaults.json");
        addApp(42, "Notes", "com.example.notes");
        addWindow(42, 500, {100, 100, 800, 600}, "Notes");
        addApp(43, "Browser", "com.example.browser");
        addWindow(43, 600, {300, 200, 600, 400}, "Video");
        EventBridge::lastForeignFrontPid = 0;
    }

    void TearDown() override
    {
        shell.reset();
        clock().runUntilIdle();
        WindowParking::callHook = nullptr;
        SimDesktopTest::TearDown();
    }

    desktop::DisplayInfo display(desktop::DisplayID id, const core::Rect& frame, bool isVirtual = false)
    {
        desktop::DisplayInfo info;
        info.id = id;
        info.frame = frame;
        info.visibleFrame = frame;
        info.isVirtual = isVirtual;
        return info;
    }

    void run(const std::string& name, std::optional<desktop::WindowID> window = std::nullopt)
    {
        shell->runCommand(CommandCall{name, window, std::nullopt});
        clock().runUntilIdle();
    }

    std::unique_ptr<app::AppDelegate> shell = std::make_unique<app::AppDelegate>();
};

TEST_F(AppDelegateTest, OnlyAnotherApplicationActivatedForAThirdOfASecondIsRemembered)
{
    shell->launch({});
    world().setFrontmost(43);
    clock().advance(0.3);
    EXPECT_EQ(EventBridge::lastForeignFrontPid, 0);
    clock().advance(0.05);
    EXPECT_EQ(EventBridge::lastForeignFrontPid, 43);

    // Gone again before the read: the application in front then counts.
    world().setFrontmost(42);
    clock().advance(0.1);
    world().setFrontmost(43);
    clock().advance(0.5);
    EXPECT_EQ(EventBridge::lastForeignFrontPid, 43);

    world().setFrontmost(world().ownPid());
    clock().advance(0.5);
    EXPECT_EQ(EventBridge::lastForeignFrontPid, 43);
}

TEST_F(AppDelegateTest, VirtualDisplaysFollowTheDesktopFromLaunchToTheEnd)
{
    world().addDisplay(display(7, {1512, 0, 1000, 800}, true));
    clock().runUntilIdle();
    EXPECT_FALSE(VirtualDisplayController::shared().isVirtual(7));  // nobody listens yet
    shell->launch({});
    EXPECT_TRUE(VirtualDisplayController::shared().isVirtual(7));
    EXPECT_FALSE(VirtualDisplayController::shared().isVirtual(1));

    world().addDisplay(display(8, {-1000, 0, 1000, 800}, true));
    clock().runUntilIdle();
    EXPECT_TRUE(VirtualDisplayController::shared().isVirtual(8));
    world().removeDisplay(7);
    clock().runUntilIdle();
    EXPECT_FALSE(VirtualDisplayController::shared().isVirtual(7));

    shell.reset();
    EXPECT_FALSE(VirtualDisplayController::shared().isVirtual(8));
}

TEST_F(AppDelegateTest, CommandsOpenPauseAndClosePanelsAndQuitClosesTheRest)
{
    std::vector<std::pair<std::string, desktop::WindowID>> parkingCalls;
    WindowParking::callHook = [&](const char* operation, desktop::WindowID id) { parkingCalls.emplace_back(operation, id); };
    shell->launch({});
    run("mirrorWindow", 500);
    shell->runCommand(CommandCall{"mirrorWindow", 600, core::Rect(0.5, 0, 0.5, 0.5)});
    run("mirrorWindow", 999);
    clock().runUntilIdle();
    ASSERT_EQ(PipPanel::all().size(), 2u);
    clock().advance(1);

    auto panels = shell->panels();
    ASSERT_EQ(panels.size(), 2u);
    EXPECT_EQ(panels[0]["source"], 500);
    EXPECT_EQ(panels[1]["focus"], nlohmann::ordered_json::parse("[0.5, 0.0, 0.5, 0.5]"));
    EXPECT_GT(panels[0]["framesShown"].get<long>(), 0);

    run("togglePauseAll");
    for (const PipPanel* panel : PipPanel::all()) {
        EXPECT_TRUE(panel->isPaused);
        EXPECT_TRUE(panel->mirror->isPaused());
    }
    run("togglePauseAll");
    for (const PipPanel* panel : PipPanel::all()) EXPECT_FALSE(panel->mirror->isPaused());

    run("closePanel", 500);
    clock().advance(1);
    ASSERT_EQ(PipPanel::all().size(), 1u);
    EXPECT_EQ(PipPanel::all().front()->target.windowID, 600u);
    EXPECT_EQ(parkingCalls, (std::vector<std::pair<std::string, desktop::WindowID>>{{"restoreAsync", 500}}));

    shell->quit();
    EXPECT_FALSE(shell->exitStatus());
    clock().runUntilIdle();
    EXPECT_EQ(shell->exitStatus(), 0);
    EXPECT_TRUE(PipPanel::all().empty());
    EXPECT_FALSE(WindowParking::hasMiniWindows.load());
}

TEST_F(AppDelegateTest, ASelfTestArgumentRunsItAndExitsBeforeTheRestOfTheLaunch)
{
    defaults::Defaults::standard().set("takeoverLearnedMinSizes", "com.example.notes=300x200");
    shell->launch({"-glimra-focus-selftest"});
    EXPECT_EQ(shell->exitStatus(), 0);
    EXPECT_TRUE(defaults::Defaults::standard().contains("takeoverLearnedMinSizes"));
}

TEST_F(AppDelegateTest, ALaunchForgetsTheLearnedMinimumSizes)
{
    defaults::Defaults::standard().set("takeoverLearnedMinSizes", "com.example.notes=300x200");
    shell->launch({});
    EXPECT_FALSE(shell->exitStatus());
    EXPECT_FALSE(defaults::Defaults::standard().contains("takeoverLearnedMinSizes"));
}

// The desktop moves windows off a display that goes; own windows follow without
// sending the move back.
TEST_F(AppDelegateTest, ARemovedDisplaysWindowsLandOnThePrimaryAndOwnWindowsAdoptTheMove)
{
    world().addDisplay(display(2, {1512, 0, 1920, 1080}));
    addWindow(42, 501, {1600, 300, 700, 500}, "Far");
    addWindow(42, 502, {3300, 900, 900, 400}, "Corner");
    ui::Window own({1600, 982 - 400 - 200, 300, 200});  // screen coordinates
    own.orderFront();
    clock().runUntilIdle();
    const auto before = journal().size();

    world().removeDisplay(2);
    clock().runUntilIdle();
    // Where it lay on the display that went, on the primary; the corner window kept inside
    // the primary's visible frame (0, 25, 1512, 957).
    EXPECT_EQ(world().window(501)->frame, core::Rect(88, 300, 700, 500));
    EXPECT_EQ(world().window(502)->frame, core::Rect(612, 582, 900, 400));
    EXPECT_EQ(world().window(500)->frame, core::Rect(100, 100, 800, 600));
    EXPECT_EQ(own.frame(), core::Rect(88, 382, 300, 200));
    EXPECT_EQ(world().window(own.windowNumber())->frame, core::Rect(88, 400, 300, 200));
    EXPECT_EQ(journal().size(), before);
}

}  // namespace
