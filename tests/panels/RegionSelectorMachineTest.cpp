#include "panels/selector/RegionSelectorMachine.h"

#include <gtest/gtest.h>

namespace {

using Machine = selector::RegionSelectorMachine;
using Hit = HoverTriggerHooks::WindowHit;

// The source window spans x 100...900 and y 200...800 in screen coordinates.
const core::Rect windowFrame{100, 200, 800, 600};
const Machine::ActiveWindow restricted{500, windowFrame};

class RegionSelectorMachineTest : public ::testing::Test {
protected:
    Machine::TickResult step(bool left, core::Point at, bool right = false)
    {
        now += 1.0 / 60;
        return machine.tick({left, right, at, now}, [this](core::Point p) -> std::optional<Hit> {
            ++lookups;
            if (!hit || !hit->appkitFrame.contains(p)) return std::nullopt;
            return hit;
        });
    }

    // Press, move, release: the result of the release.
    Machine::TickResult drag(core::Point from, core::Point to)
    {
        step(true, from);
        step(true, to);
        return step(false, to);
    }

    Machine machine;
    double now = 100;
    std::optional<Hit> hit;
    int lookups = 0;
};

TEST_F(RegionSelectorMachineTest, ArmedByTheMouseDragsAtOnceOtherwiseWaitsForTheButtonToComeUp)
{
    machine.start(restricted, true, false);
    step(true, {150, 250});
    EXPECT_TRUE(machine.dragging()) << "the held button belongs to this drag";

    machine.start(restricted, false, false);
    EXPECT_TRUE(machine.needReleaseFirst());
    step(true, {150, 250});
    step(true, {300, 400});
    EXPECT_FALSE(machine.dragging()) << "the menu click's button is still down";
    step(false, {300, 400});
    EXPECT_FALSE(machine.needReleaseFirst());
    EXPECT_FALSE(machine.dragging());
    step(true, {300, 400});
    EXPECT_TRUE(machine.dragging());
    EXPECT_EQ(machine.startPoint(), (core::Point{300, 400}));
}

TEST_F(RegionSelectorMachineTest, ASelectionFollowsThePointerClippedToTheWindowAndEndsWithItsRegion)
{
    machine.start(restricted, true, false);
    // Begun outside the window: still works, cut to the window.
    step(true, {50, 900});
    step(true, {500, 500});
    EXPECT_EQ(machine.selection(), (core::Rect{100, 500, 400, 300}));

    const auto result = step(false, {500, 500});
    ASSERT_EQ(result.outcome, Machine::Outcome::finished);
    EXPECT_EQ(result.windowID, 500u);
    EXPECT_EQ(result.region, (panels::FocusRegion{0, 0, 0.5, 0.5}));
    ASSERT_EQ(result.logLines.size(), 1u);
    EXPECT_EQ(result.logLines[0],
              "框选: 完成 窗口=500 屏幕选区=(100, 500, 400×300) 窗口=(100, 200, 800×600) → "
              "归一化 x=0.0000 y=0.0000 w=0.5000 h=0.5000");
}

TEST_F(RegionSelectorMachineTest, ASlipUnderEightPointsIsIgnoredSilentlyAndEightGoesOnToTheRegionCheck)
{
    machine.start(restricted, true, false);
    auto result = drag({300, 300}, {307.9, 340});
    EXPECT_EQ(result.outcome, Machine::Outcome::running);
    ASSERT_EQ(result.logLines.size(), 1u);
    EXPECT_EQ(result.logLines[0], "框选: 忽略误触 (300, 300, 8×40)") << "%.0f rounds 7.9";
    EXPECT_FALSE(machine.errorText()) << "no hint for a slip";
    EXPECT_TRUE(machine.needReleaseFirst());
    EXPECT_FALSE(machine.dragging());
    EXPECT_EQ(machine.selection(), core::Rect{});

    step(false, {0, 0});
    result = drag({300, 300}, {340, 307.9});
    EXPECT_EQ(result.logLines.at(0), "框选: 忽略误触 (300, 300, 40×8)");

    // 8 × 8 pt is no slip, but 1 % of the window: too small.
    step(false, {0, 0});
    result = drag({300, 300}, {308, 308});
    EXPECT_EQ(result.outcome, Machine::Outcome::running);
    EXPECT_TRUE(result.logLines.empty());
    EXPECT_EQ(machine.errorText(), "选区太小，框大一点再试");
    EXPECT_TRUE(machine.needReleaseFirst());
    EXPECT_EQ(machine.activeWindow()->id, 500u) << "the window stays chosen";

    // A drag wholly outside the window leaves nothing after clipping: a slip.
    step(false, {0, 0});
    result = drag({950, 100}, {1100, 150});
    EXPECT_EQ(result.logLines.at(0), "框选: 忽略误触 (0, 0, 0×0)");
}

TEST_F(RegionSelectorMachineTest, AFailedAttemptsHintLastsItsTimeAndANewOneRestartsIt)
{
    machine.start(restricted, true, false);
    drag({300, 300}, {310, 310});
    ASSERT_EQ(machine.errorText(), "选区太小，框大一点再试");
    const double first = now;

    // A second failure 1 s later replaces the hint and restarts its 1.6 s.
    now = first + 1.0;
    step(false, {0, 0});
    drag({300, 300}, {310, 310});
    const double second = now;
    now = first + 1.6;
    step(false, {0, 0});
    EXPECT_TRUE(machine.errorText()) << "restarted by the second hint";
    now = second + 1.6 - 1.0 / 60;
    step(false, {0, 0});
    EXPECT_FALSE(machine.errorText());
}

TEST_F(RegionSelectorMachineTest, OnlyANewPressOfTheRightButtonCancels)
{
    machine.start(restricted, false, true);
    EXPECT_EQ(step(false, {0, 0}, true).outcome, Machine::Outcome::running) << "held since the start";
    EXPECT_EQ(step(false, {0, 0}, false).outcome, Machine::Outcome::running);
    const auto result = step(false, {0, 0}, true);
    EXPECT_EQ(result.outcome, Machine::Outcome::cancelled);
    EXPECT_EQ(result.logLines, std::vector<std::string>{"框选: 取消（右键）"});

    // Also in the middle of a drag.
    machine.start(restricted, true, false);
    step(true, {300, 300});
    step(true, {500, 500});
    EXPECT_EQ(step(true, {500, 500}, true).outcome, Machine::Outcome::cancelled);
}

TEST_F(RegionSelectorMachineTest, WithoutARestrictedWindowThePressPicksTheWindowUnderThePointerOnce)
{
    machine.start(std::nullopt, true, false);
    auto result = step(true, {300, 300});
    EXPECT_EQ(lookups, 1);
    EXPECT_EQ(machine.errorText(), "未找到可框选的窗口");
    EXPECT_TRUE(machine.needReleaseFirst());
    EXPECT_FALSE(machine.dragging());
    EXPECT_TRUE(result.logLines.empty());

    hit = Hit{77, {100, 100, 800, 600}, windowFrame, "Notes"};
    step(true, {300, 300});
    EXPECT_EQ(lookups, 1) << "the button must come up first";
    step(false, {300, 300});
    result = step(true, {300, 300});
    ASSERT_EQ(result.logLines.size(), 1u);
    EXPECT_EQ(result.logLines[0], "框选: 起手选定窗口 id=77 owner=Notes frame=(100.0, 200.0, 800.0, 600.0)");
    EXPECT_TRUE(machine.dragging());

    // A failed attempt keeps the window: the next press asks nobody.
    step(false, {302, 302});
    step(false, {0, 0});
    hit.reset();
    result = drag({100, 200}, {500, 500});
    EXPECT_EQ(lookups, 2);
    ASSERT_EQ(result.outcome, Machine::Outcome::finished);
    EXPECT_EQ(result.windowID, 77u);
    EXPECT_EQ(result.region, (panels::FocusRegion{0, 0.5, 0.5, 0.5}));
}

TEST_F(RegionSelectorMachineTest, TheHintShowsOnTheScreenOfTheWindowElseOfThePointerElseOnTheFirst)
{
    const std::vector<core::Rect> screens{{0, 0, 1512, 982}, {1512, 0, 1920, 1080}};
    machine.start(std::nullopt, false, false);
    EXPECT_EQ(machine.hintScreen(screens, {2000, 500}), 1u);
    EXPECT_EQ(machine.hintScreen(screens, {-50, 500}), 0u);
    EXPECT_EQ(machine.hintScreen({}, {0, 0}), std::nullopt);

    machine.start(Machine::ActiveWindow{9, {1600, 100, 400, 300}}, false, false);
    EXPECT_EQ(machine.hintScreen(screens, {10, 10}), 1u) << "the window's centre, not the pointer";
    machine.start(Machine::ActiveWindow{9, {5000, 100, 400, 300}}, false, false);
    EXPECT_EQ(machine.hintScreen(screens, {2000, 10}), 0u);
}

}  // namespace
