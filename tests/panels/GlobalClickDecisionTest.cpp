#include "panels/rules/GlobalClickDecision.h"

#include <gtest/gtest.h>

using Kind = panels::GlobalClickDecision::Kind;

namespace {

const ui::Screen builtIn{1, {0, 0, 1440, 900}, {0, 0, 1440, 875}, 2, "Built-in"};
const ui::Screen dell{2, {1440, 0, 1920, 1080}, {1440, 0, 1920, 1055}, 1, "DELL"};

panels::GlobalClick click(core::Point pointer)
{
    panels::GlobalClick c;
    c.eventWindow = 7;
    c.pointer = pointer;
    c.screens = {builtIn, dell};
    c.panelScreen = builtIn;
    c.miniWindows = {{{1200, 40, 200, 120}, "Safari"}, {{1200, 180, 200, 120}, std::nullopt}};
    c.lastForwardTime = 0;
    c.now = 10;
    c.targetWindow = 42;
    c.ownerName = [](desktop::WindowID id) { return id == 7 ? "Finder/layer0" : "?"; };
    c.ownerPidAt = [](core::Point) { return std::optional<desktop::Pid>(321); };
    return c;
}

}  // namespace

TEST(GlobalClickDecision, ClicksJustAfterAForwardAreTheForwardedOnes)
{
    auto c = click({500, 300});
    c.lastForwardTime = 9.7;
    const auto quiet = panels::decideGlobalClick(c);
    EXPECT_EQ(quiet.kind, Kind::ignoreForwarded);
    EXPECT_EQ(quiet.logLine, "");

    c.lastForwardTime = 9.5;
    EXPECT_EQ(panels::decideGlobalClick(c).kind, Kind::leave);
}

TEST(GlobalClickDecision, PressesInTheTakenOverWindowKeepThePin)
{
    auto c = click({500, 300});
    c.eventWindow = 42;
    EXPECT_EQ(panels::decideGlobalClick(c).kind, Kind::leave);  // no takeover: forwarding mode

    c.takeoverActive = true;
    const auto same = panels::decideGlobalClick(c);
    EXPECT_EQ(same.kind, Kind::ignoreSourceWindow);
    EXPECT_FALSE(same.showCrossSpaceHint);
    EXPECT_EQ(same.logLine, "");

    c.takeoverCrossSpace = true;
    const auto across = panels::decideGlobalClick(c);
    EXPECT_EQ(across.kind, Kind::ignoreSourceWindow);
    EXPECT_TRUE(across.showCrossSpaceHint);
    EXPECT_EQ(across.logLine, "跨桌面接管: 点击预览内容 → 提示仅预览不可交互");
}

TEST(GlobalClickDecision, AMarginOfFourPointsAroundMiniWindowsBelongsToThem)
{
    const auto near = panels::decideGlobalClick(click({1197, 100}));  // 3 pt left of the first
    EXPECT_EQ(near.kind, Kind::ignoreMiniWindow);
    EXPECT_EQ(near.logLine, "全局点击落点在PIP内(win=7=Finder/layer0)→不退出");
    EXPECT_EQ(panels::decideGlobalClick(click({1300, 303})).kind, Kind::ignoreMiniWindow);  // 3 pt above the second
    EXPECT_EQ(panels::decideGlobalClick(click({1195, 100})).kind, Kind::leave);
}

TEST(GlobalClickDecision, AnotherDisplayNeverEndsThePin)
{
    const auto other = panels::decideGlobalClick(click({2000, 500}));
    EXPECT_EQ(other.kind, Kind::ignoreOtherScreen);
    EXPECT_EQ(other.logLine, "全局点击在其他屏幕(DELL)→不退出本屏(Built-in)固定预览");

    auto noPanelScreen = click({500, 300});
    noPanelScreen.panelScreen.reset();
    EXPECT_EQ(panels::decideGlobalClick(noPanelScreen).logLine, "全局点击在其他屏幕(Built-in)→不退出本屏(?)固定预览");

    // On no screen at all: the pin ends.
    EXPECT_EQ(panels::decideGlobalClick(click({-300, 500})).kind, Kind::leave);
}

TEST(GlobalClickDecision, LeavingNamesTheClickedApplicationInGlobalCoordinates)
{
    auto c = click({500.7, 300.2});
    std::optional<core::Point> asked;
    c.ownerPidAt = [&](core::Point p) {
        asked = p;
        return std::optional<desktop::Pid>(321);
    };
    const auto leave = panels::decideGlobalClick(c);
    ASSERT_EQ(leave.kind, Kind::leave);
    ASSERT_TRUE(asked);
    EXPECT_DOUBLE_EQ(asked->x, 500.7);
    EXPECT_NEAR(asked->y, 599.8, 1e-9);  // 900 − 300.2
    EXPECT_EQ(leave.frontPid, 321);
    EXPECT_EQ(leave.frontWindowID, 7u);
    EXPECT_EQ(leave.logLine,
              "全局点击→退出固定: win=7=Finder/layer0 target=42 落点cg=(500,599) ml=(500,300) "
              "点击应用pid=321 PIP们=[Safari AK框=1200,40,200x120] [? AK框=1200,180,200x120]");
}

TEST(GlobalClickDecision, WithoutScreensTheFlipUses900AndTheDesktopHasNoOwner)
{
    auto c = click({500, 200});
    c.screens.clear();
    c.panelScreen.reset();
    c.miniWindows.clear();
    c.ownerPidAt = [](core::Point) { return std::optional<desktop::Pid>(); };
    const auto leave = panels::decideGlobalClick(c);
    ASSERT_EQ(leave.kind, Kind::leave);
    EXPECT_FALSE(leave.frontPid);
    EXPECT_EQ(
        leave.logLine,
        "全局点击→退出固定: win=7=Finder/layer0 target=42 落点cg=(500,700) ml=(500,200) 点击应用pid=无(桌面) PIP们=");
}
