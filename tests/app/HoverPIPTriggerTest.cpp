#include "app/HoverPIPTrigger.h"
#include "app/AppDelegate.h"
#include "support/DiagLines.h"
#include "support/QtTestApplication.h"
#include "support/SimDesktopTest.h"
#include "platform/defaults/Defaults.h"
#include "platform/sim/SimInput.h"
#include "platform/ui/Menu.h"

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

// The trigger polling on the simulated desktop: a 1000 x 700 window of Notes at global
// (200, 100), so its zone is x 1120..1200, y 100..148 and its block goes to screen
// (1108, 818, 84, 56).
class HoverTriggerOnDesktopTest : public testsupport::SimDesktopDiagTest {
protected:
    void SetUp() override
    {
        testsupport::ensureQtApplication();
        testsupport::SimDesktopDiagTest::SetUp();
        addApp(42, "Notes", "com.example.notes");
        addWindow(42, notes, {200, 100, 1000, 700}, "Notes");
        input = std::dynamic_pointer_cast<sim::SimInput>(desktop().input);
        trigger->onTrigger = [this](desktop::WindowID id) { triggered.push_back(id); };
        trigger->onFocusDrag = [this](desktop::WindowID id) { dragged.push_back(id); };
    }
    void TearDown() override
    {
        trigger.reset();
        testsupport::SimDesktopDiagTest::TearDown();
    }

    bool blockVisible() const { return trigger->block() && trigger->block()->isVisible(); }
    core::Point blockCentreGlobal() const
    {
        const core::Rect frame = trigger->block()->frame();
        return {frame.midX(), screenHeight - frame.midY()};
    }

    static constexpr desktop::WindowID notes = 500;
    const core::Point inZone{1150, 120};
    std::shared_ptr<sim::SimInput> input;
    std::shared_ptr<HoverPIPTrigger> trigger = std::make_shared<HoverPIPTrigger>();
    std::vector<desktop::WindowID> triggered;
    std::vector<desktop::WindowID> dragged;
};

TEST_F(HoverTriggerOnDesktopTest, TheBlockShowsAfterTheDwellInsideTheCornerFadesAndStaysAway)
{
    trigger->start();
    input->userMouseMove(inZone);
    clock().advance(0.8);
    EXPECT_FALSE(blockVisible());
    clock().advance(0.4);
    ASSERT_TRUE(blockVisible());
    EXPECT_EQ(trigger->block()->frame(), (core::Rect{1108, 818, 84, 56}));
    EXPECT_EQ(trigger->block()->level(), desktop::level::floating);
    clock().advance(0.2);
    EXPECT_DOUBLE_EQ(trigger->block()->alphaValue(), 1.0);

    // 2 s after showing it fades over 0.3 s and does not come back while the pointer rests.
    clock().advance(2.0);
    clock().advance(0.35);
    EXPECT_FALSE(blockVisible());
    clock().advance(5);
    EXPECT_FALSE(blockVisible());

    EXPECT_EQ(diagLines(),
              (std::vector<std::string>{
                  "悬停命中: 窗口#500 owner=Notes frame=(200.0, 100.0, 1000.0, 700.0) 鼠标CG=(1150.0, 120.0) "
                  "悬浮块=(1108.0, 818.0, 84.0, 56.0)",
                  "悬停触发: 进入感应区 id=500",
                  "悬停触发: 停留达标 → 显示触发块",
              }));
}

TEST_F(HoverTriggerOnDesktopTest, OutsideTheCornerTheMissIsLoggedOncePerOwnerAndSizeAndSmallWindowsNeverCount)
{
    addApp(43, "Tall", "com.example.tall");
    addWindow(43, 501, {1300, 100, 160, 300}, "Tall");
    trigger->start();
    input->userMouseMove({600, 400});
    clock().advance(1.0);
    input->userMouseMove({610, 410});
    clock().advance(1.0);
    input->userMouseMove({1450, 110});  // the tall window's corner: not wider than 160
    clock().advance(3.0);
    EXPECT_FALSE(blockVisible());
    EXPECT_EQ(diagLines(), (std::vector<std::string>{"悬停不触发: 光标下窗口 owner=Notes frame=(200.0, 100.0, 1000.0, "
                                                     "700.0) 不在右上角(鼠标CG=(600.0, 400.0) 需要落在x≥1120.0, "
                                                     "y≤148.0)"}));
}

TEST_F(HoverTriggerOnDesktopTest, AClickMirrorsTheWindowOnceAndAnOptionPressStartsAFocusDrag)
{
    trigger->start();
    input->userMouseMove(inZone);
    clock().advance(1.4);
    ASSERT_TRUE(blockVisible());
    const core::Point centre = blockCentreGlobal();
    input->userMouseDown(sim::MouseButton::left, centre);
    input->userMouseUp(sim::MouseButton::left, centre);
    clock().advance(0.1);
    EXPECT_EQ(triggered, (std::vector<desktop::WindowID>{notes}));
    EXPECT_FALSE(blockVisible());
    EXPECT_TRUE(dragged.empty());

    // Away and back for a fresh block; then an Option press on it.
    input->userMouseMove({50, 900});
    clock().advance(0.4);
    input->userMouseMove(inZone);
    clock().advance(1.4);
    ASSERT_TRUE(blockVisible());
    input->userKeyDown(desktop::key::option);
    input->userMouseDown(sim::MouseButton::left, centre);
    clock().advance(0.1);
    EXPECT_EQ(dragged, (std::vector<desktop::WindowID>{notes}));
    EXPECT_EQ(triggered.size(), 1u);
    EXPECT_FALSE(blockVisible());
    EXPECT_EQ(linesWith("悬停触发: ⌥ 拖拽 → 进入框选 id=500").size(), 1u);
    // It stays away while the pointer stays in the zone.
    input->userMouseUp(sim::MouseButton::left, centre);
    input->userKeyUp(desktop::key::option);
    input->userMouseMove(inZone);
    clock().advance(4);
    EXPECT_FALSE(blockVisible());
}

TEST_F(HoverTriggerOnDesktopTest, OptionHeldKeepsTheBlockBeyondTwoSeconds)
{
    trigger->start();
    input->userMouseMove(inZone);
    clock().advance(1.4);
    ASSERT_TRUE(blockVisible());
    input->userKeyDown(desktop::key::option);
    clock().advance(5);
    EXPECT_TRUE(blockVisible());
    input->userKeyUp(desktop::key::option);
    clock().advance(0.6);
    EXPECT_FALSE(blockVisible());
}

TEST_F(HoverTriggerOnDesktopTest, SuspensionHidesTheBlockSensesNothingAndResumesAfresh)
{
    trigger->start();
    input->userMouseMove(inZone);
    clock().advance(1.4);
    ASSERT_TRUE(blockVisible());
    trigger->setSuspended(true);
    EXPECT_FALSE(blockVisible());
    EXPECT_EQ(trigger->sensor().currentTarget(), 0u);
    clock().advance(3);
    EXPECT_FALSE(blockVisible());
    trigger->setSuspended(false);
    clock().advance(0.2);
    EXPECT_EQ(trigger->sensor().currentTarget(), notes);
    clock().advance(1.0);
    EXPECT_TRUE(blockVisible());
    EXPECT_EQ(linesWith("悬停触发: 进入感应区 id=500").size(), 2u);
    EXPECT_EQ(linesWith("悬停触发: 暂停（框选中）").size(), 1u);
    EXPECT_EQ(linesWith("悬停触发: 恢复").size(), 1u);

    // Stopped, it orders the block out and polls no more.
    trigger->stop();
    EXPECT_FALSE(blockVisible());
    EXPECT_FALSE(trigger->isPolling());
}

TEST_F(HoverTriggerOnDesktopTest, NoTickCountsWhileAMenuIsOpen)
{
    ui::Menu menu;
    menu.addItem("Item");
    ASSERT_TRUE(menu.popUp({20, 500}, {}));
    trigger->start();
    input->userMouseMove(inZone);
    clock().advance(3);
    EXPECT_EQ(trigger->sensor().currentTarget(), 0u);
    EXPECT_FALSE(blockVisible());
    menu.cancelTracking();
    clock().advance(1.2);
    EXPECT_TRUE(blockVisible());
}

TEST_F(HoverTriggerOnDesktopTest, SwitchedOffInTheSettingsItDoesNotStart)
{
    defaults::Defaults::standard().set("hoverTriggerDisabled", true);
    trigger->start();
    EXPECT_FALSE(trigger->isPolling());
    EXPECT_FALSE(trigger->isEnabled());
    input->userMouseMove(inZone);
    clock().advance(3);
    EXPECT_FALSE(trigger->block());
    EXPECT_EQ(diagLines(), (std::vector<std::string>{"触发块: 已被设置关闭 ⇒ 不启动感应"}));

    // The settings window's reading: a text other than "true" or "yes" is off.
    defaults::Defaults::standard().set("hoverTriggerDisabled", "yes");
    trigger->start();
    EXPECT_FALSE(trigger->isPolling());
    defaults::Defaults::standard().set("hoverTriggerDisabled", "no");
    trigger->start();
    EXPECT_TRUE(trigger->isPolling());
}

TEST_F(HoverTriggerOnDesktopTest, TheBlockTakesUpTheStoredThemeAtEveryShow)
{
    const auto themeAtShow = [&](nlohmann::json stored) {
        defaults::Defaults::standard().set("hoverTriggerTheme", stored);
        trigger->stop();
        input->userMouseMove({50, 900});
        trigger->start();
        clock().advance(0.4);
        input->userMouseMove(inZone);
        clock().advance(1.4);
        EXPECT_TRUE(blockVisible());
        return trigger->block()->background().colours().top.red;
    };
    EXPECT_DOUBLE_EQ(themeAtShow(0), 1.00);
    EXPECT_DOUBLE_EQ(themeAtShow(1), 0.11);
    EXPECT_DOUBLE_EQ(themeAtShow(2), 0.46);
    EXPECT_DOUBLE_EQ(themeAtShow(7), 0.46);
    EXPECT_DOUBLE_EQ(themeAtShow(-1), 0.46);
    EXPECT_DOUBLE_EQ(themeAtShow(1.0), 0.46);
}

}  // namespace
