#include "app/HoverPIPTrigger.h"
#include "app/AppDelegate.h"
#include "support/DiagLines.h"
#include "support/QtTestApplication.h"
#include "support/SimDesktopTest.h"

#include <gtest/gtest.h>

namespace {

using app::HoverPIPTrigger;

// The display is 982 points high: screen y = 982 - global y.
constexpr double screenHeight = 982;

class HoverPIPTriggerTest : public testsupport::WithDiagLines<testsupport::SimDesktopTest> {
protected:
    void SetUp() override
    {
        WithDiagLines::SetUp();
        addApp(42, "Notes", "com.example.notes");
        addApp(43, "", "com.example.nameless");
    }
    void TearDown() override
    {
        trigger().setSuspended(false);
        WithDiagLines::TearDown();
    }

    static HoverPIPTrigger& trigger() { return *HoverPIPTrigger::shared(); }

    // The hit at a global point, as windowUnder is asked in screen coordinates.
    std::optional<HoverPIPTrigger::WindowHit> hitAt(core::Point global, core::Size minSize = {160, 120})
    {
        return trigger().windowUnder({global.x, screenHeight - global.y}, minSize);
    }
};

TEST_F(HoverPIPTriggerTest, FindsTheFrontOrdinaryWindowOfAnotherApplicationLargerThanTheMinimum)
{
    addWindow(42, 500, {100, 100, 800, 600}, "Notes");
    const auto hit = hitAt({200, 150});
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->windowID, 500u);
    EXPECT_EQ(hit->cgFrame, (core::Rect{100, 100, 800, 600}));
    EXPECT_EQ(hit->appkitFrame, (core::Rect{100, 282, 800, 600}));
    EXPECT_EQ(hit->owner, "Notes");

    // In front of it, in this order: exactly the minimum (not larger), a floating
    // window, and one of this application; the notes are still the hit.
    addWindow(43, 501, {150, 120, 160, 120});
    addWindow(43, 502, {150, 120, 400, 300}, "Palette", 3);
    desktop::OwnWindowState own;
    own.frame = {150, 120, 400, 300};
    own.visible = true;
    desktop().windowServer->registerOwnWindow(own, {}, {});
    EXPECT_EQ(hitAt({200, 150})->windowID, 500u);

    // One point more each way counts; a nameless owner reads "?".
    addWindow(43, 503, {150, 120, 161, 121});
    EXPECT_EQ(hitAt({200, 150})->windowID, 503u);
    EXPECT_EQ(hitAt({200, 150})->owner, "?");
    EXPECT_EQ(hitAt({200, 150}, {161, 120})->windowID, 500u);
}

TEST_F(HoverPIPTriggerTest, TheRightAndBottomEdgesLieOutsideAndAMissIsNone)
{
    addWindow(42, 500, {100, 100, 800, 600}, "Notes");
    EXPECT_TRUE(hitAt({100, 100}));
    EXPECT_FALSE(hitAt({900, 300}));
    EXPECT_FALSE(hitAt({300, 700}));
    EXPECT_FALSE(hitAt({50, 50}));
}

TEST_F(HoverPIPTriggerTest, WithoutScreensThePointIsFlippedByNineHundred)
{
    addWindow(42, 500, {100, 100, 800, 600}, "Notes");
    world().removeDisplay(1);
    // Screen (200, 790) is global (200, 110) by 900, but (200, 192) by 982.
    const auto hit = trigger().windowUnder({200, 790}, {160, 120});
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->appkitFrame, (core::Rect{100, 200, 800, 600}));
    EXPECT_FALSE(trigger().windowUnder({200, 195}, {160, 120}));
}

TEST_F(HoverPIPTriggerTest, SuspendingLogsEachChangeOnce)
{
    trigger().setSuspended(true);
    trigger().setSuspended(true);
    EXPECT_TRUE(trigger().isSuspended());
    trigger().setSuspended(false);
    trigger().setSuspended(false);
    EXPECT_FALSE(trigger().isSuspended());
    EXPECT_EQ(diagLines(), (std::vector<std::string>{"悬停触发: 暂停（框选中）", "悬停触发: 恢复"}));
}

TEST_F(HoverPIPTriggerTest, TheShellInstallsItAtLaunchAndTakesItAwayAtTheEnd)
{
    testsupport::ensureQtApplication();
    addWindow(42, 500, {100, 100, 800, 600}, "Notes");
    const core::Point inside{200, screenHeight - 150};
    EXPECT_FALSE(HoverTriggerHooks::installed().windowUnder(inside, {160, 120}));
    {
        app::AppDelegate shell;
        shell.launch({});
        EXPECT_EQ(&HoverTriggerHooks::installed(), HoverPIPTrigger::shared().get());
        EXPECT_EQ(HoverTriggerHooks::installed().windowUnder(inside, {160, 120})->windowID, 500u);
    }
    EXPECT_NE(&HoverTriggerHooks::installed(), HoverPIPTrigger::shared().get());
}

}  // namespace
