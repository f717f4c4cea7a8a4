#include "app/DebugHooks.h"
#include "app/ScrollProbe.h"
#include "app/SmallestWindow.h"
#include "foundation/Diag.h"
#include "panels/PanelFixture.h"
#include "platform/dispatch/Queue.h"
#include "platform/ui/SignalPipe.h"

#include <algorithm>
#include <csignal>

#include <gtest/gtest.h>

namespace {

using app::chooseSmallestWindow;

desktop::WindowInfo entry(desktop::WindowID number, std::optional<desktop::Pid> pid, const std::string& owner,
                          core::Rect bounds, long layer = 0)
{
    desktop::WindowInfo info;
    info.number = number;
    info.ownerPid = pid;
    info.ownerName = owner;
    info.layer = layer;
    info.bounds = bounds;
    return info;
}

TEST(SmallestWindowTest, TheLeastAreaWinsTheFrontMostOnATieAndOnlyOrdinaryWindowsOfOtherProcessesCount)
{
    constexpr desktop::Pid own = 7;
    std::vector<desktop::WindowInfo> list{
        entry(1, 42, "Notes", {0, 0, 300, 200}),
        entry(2, 43, "Mail", {0, 0, 150, 90}),
        entry(3, 44, "Tall", {0, 0, 119, 300}),             // narrower than the catalog offers
        entry(4, own, "Renamed copy", {0, 0, 130, 85}),     // this process, whatever its name
        entry(5, std::nullopt, "Orphan", {0, 0, 130, 85}),  // no owning process
        entry(6, 45, "Dock", {0, 0, 130, 85}),
        entry(7, 46, "Palette", {0, 0, 130, 85}, 3),
        entry(8, 47, "Flat", {0, 0, 500, 79}),   // lower than the catalog offers
        entry(9, 48, "Also", {0, 0, 135, 100}),  // the same area as Mail, behind it
    };
    auto choice = chooseSmallestWindow(list, own);
    ASSERT_TRUE(choice);
    EXPECT_EQ(choice->number, 2u);
    EXPECT_EQ(choice->ownerPid, 43);
    EXPECT_EQ(choice->owner, "Mail");

    list.erase(list.begin(), list.begin() + 2);
    choice = chooseSmallestWindow(list, own);
    ASSERT_TRUE(choice);
    EXPECT_EQ(choice->number, 9u);
    list.pop_back();
    EXPECT_FALSE(chooseSmallestWindow(list, own));
}

// A window the catalog does not offer could never become a mini window: the smallest
// one it offers is chosen instead, down to exactly 120 by 80.
TEST(SmallestWindowTest, TheChoiceIsTheSmallestWindowTheCatalogOffers)
{
    const std::vector<desktop::WindowInfo> list{
        entry(1, 42, "Clock", {0, 0, 150, 150}),
        entry(2, 43, "Tiny", {0, 0, 100, 60}),
        entry(3, 44, "Narrow", {0, 0, 110, 90}),
        entry(4, 45, "Edge", {0, 0, 120, 80}),
    };
    auto choice = chooseSmallestWindow(list, 7);
    ASSERT_TRUE(choice);
    EXPECT_EQ(choice->number, 4u);
    choice = chooseSmallestWindow({list.begin(), list.begin() + 3}, 7);
    ASSERT_TRUE(choice);
    EXPECT_EQ(choice->number, 1u);
    EXPECT_FALSE(chooseSmallestWindow({list.begin() + 1, list.begin() + 3}, 7));
}

TEST(SmallestWindowTest, ACatalogWindowMatchesByNumberAndOwningProcessNeverByBundleIdentifier)
{
    desktop::ShareableWindow shared;
    shared.windowID = 9;
    shared.owningApplication = desktop::ShareableApplication{"com.example.same", "Same", 42};
    desktop::ShareableWindow orphan;
    orphan.windowID = 9;
    EXPECT_FALSE(app::ownedWindow({orphan}, 9, 0));
    EXPECT_FALSE(app::ownedWindow({orphan, shared}, 9, 43));
    EXPECT_FALSE(app::ownedWindow({shared}, 8, 42));
    EXPECT_EQ(app::ownedWindow({orphan, shared}, 9, 42)->owningApplication->processID, 42);
}

TEST(DebugHooksArgumentsTest, TheTabIsTheFirstTabArgumentWhenItIsADecimalNumber)
{
    using DebugHooks::settingsTab;
    EXPECT_EQ(settingsTab({"-glimra-show-settings", "-glimra-tab=1"}), 1);
    EXPECT_EQ(settingsTab({"-glimra-tab=12", "-glimra-tab=3"}), 12);
    EXPECT_EQ(settingsTab({"-glimra-tab=-2"}), -2);
    EXPECT_FALSE(settingsTab({"-glimra-show-settings"}));
    EXPECT_FALSE(settingsTab({"-glimra-tab="}));
    EXPECT_FALSE(settingsTab({"-glimra-tab=x"}));
    EXPECT_FALSE(settingsTab({"-glimra-tab=1x"}));
    EXPECT_FALSE(settingsTab({"-glimra-tab=99999999999999"}));
}

class DebugHooksTest : public paneltest::PanelFixture {
protected:
    void TearDown() override
    {
        ui::SignalPipe::reset();
        PanelFixture::TearDown();
    }

    DebugHooks::Actions recordingActions()
    {
        return {.createPanel =
                    [this](const desktop::ShareableWindow& window, const panels::FocusRegion& focus,
                           const std::string& reason) {
                        created.push_back({window.windowID, focus, reason});
                    },
                .showSettings = [this](std::optional<int> tab) { settingsOpened.push_back(tab); }};
    }

    struct Created {
        desktop::WindowID window;
        panels::FocusRegion focus;
        std::string reason;
        bool operator==(const Created&) const = default;
    };
    std::vector<Created> created;
    std::vector<std::optional<int>> settingsOpened;
};

TEST_F(DebugHooksTest, TheSmallestWindowOfAnotherProcessIsMirroredWhole)
{
    addApp(43, "Mail", "com.example.notes");  // shares Notes' bundle identifier
    addWindow(43, 501, {300, 300, 300, 200}, "Mail");
    addWindow(43, 502, {700, 300, 120, 90}, "Small");
    addWindow(42, 503, {700, 500, 100, 300}, "Tall");
    DebugHooks::captureSmallestWindow(recordingActions());
    clock().runUntilIdle();
    EXPECT_EQ(created, (std::vector<Created>{{502, panels::FocusRegion{}, "调试钩子 SIGUSR2（抓最小窗口）"}}));
    EXPECT_EQ(linesWith("USR2 捕捉最小窗口"), (std::vector<std::string>{"USR2 捕捉最小窗口: #502 owner=Mail"}));

    // Without Screen Recording nothing is chosen or made, and the log says so.
    world().setScreenRecordingAllowed(false);
    DebugHooks::captureSmallestWindow(recordingActions());
    clock().runUntilIdle();
    EXPECT_EQ(created.size(), 1u);
    EXPECT_EQ(linesWith("USR2 捕捉最小窗口"),
              (std::vector<std::string>{"USR2 捕捉最小窗口: #502 owner=Mail",
                                        "USR2 捕捉最小窗口: 无屏幕录制权限，不创建小窗"}));
}

// A window below the catalog's 120 x 80 is never chosen; with none left, the log says why.
TEST_F(DebugHooksTest, NothingLargeEnoughMakesNoMiniWindowAndSaysWhy)
{
    world().removeWindow(paneltest::sourceID);
    addApp(43, "Mail", "com.example.mail");
    addWindow(43, 502, {700, 300, 110, 90}, "Narrow");
    addWindow(43, 503, {700, 500, 100, 60}, "Tiny");
    DebugHooks::captureSmallestWindow(recordingActions());
    clock().runUntilIdle();
    EXPECT_TRUE(created.empty());
    EXPECT_EQ(linesWith("USR2 捕捉最小窗口"),
              (std::vector<std::string>{"USR2 捕捉最小窗口: 没有其他应用的窗口达到 120x80，不创建小窗"}));
}

TEST_F(DebugHooksTest, ARealSigusr2GoesThroughThePipeToTheMainQueue)
{
    addApp(43, "Mail", "com.example.mail");
    addWindow(43, 502, {700, 300, 120, 90}, "Small");
    DebugHooks::installDebugSignal({"glimra"}, recordingActions());
    ASSERT_EQ(std::raise(SIGUSR2), 0);
    EXPECT_TRUE(linesWith("USR2").empty());  // nothing in signal context
    ui::SignalPipe::drain();
    clock().runUntilIdle();
    EXPECT_EQ(linesWith("USR2"), (std::vector<std::string>{"USR2 调试信号: 捕捉最小 onscreen 窗口",
                                                           "USR2 捕捉最小窗口: #502 owner=Mail"}));
    EXPECT_EQ(created, (std::vector<Created>{{502, panels::FocusRegion{}, "调试钩子 SIGUSR2（抓最小窗口）"}}));
}

TEST_F(DebugHooksTest, ARealSigusr1RunsOneProbe)
{
    ScrollProbe::install();
    ASSERT_EQ(std::raise(SIGUSR1), 0);
    ui::SignalPipe::drain();
    clock().runUntilIdle();
    EXPECT_EQ(linesWith("滚动探针v6").size(), 2u);
}

// Each probe blocks the main thread for 0.8 s: a burst of SIGUSR1 must neither queue a
// run each nor hold up a SIGTERM sent after it.
TEST_F(DebugHooksTest, ABurstOfSigusr1RunsOneProbeDropsTheRestAndAQuitGoesFirst)
{
    ScrollProbe::install();
    ASSERT_TRUE(ui::SignalPipe::handle(SIGTERM, [] { Diag::log("quit path"); }));
    for (int i = 0; i < 4; ++i) ASSERT_EQ(std::raise(SIGUSR1), 0);
    ASSERT_EQ(std::raise(SIGTERM), 0);
    ui::SignalPipe::drain();
    const double start = dispatch::now();
    clock().runUntilIdle();
    EXPECT_LT(dispatch::now() - start, 1.0) << "more than one probe ran";
    EXPECT_EQ(linesWith("quit path").size(), 1u);
    EXPECT_EQ(linesWith("滚动探针v6开始").size(), 1u);
    EXPECT_EQ(linesWith("滚动探针: 上一轮尚未结束，丢弃这次 SIGUSR1").size(), 3u);
    const auto lines = linesWith("");
    const auto position = [&](const std::string& part) {
        return std::find_if(lines.begin(), lines.end(),
                            [&](const std::string& line) { return line.find(part) != std::string::npos; }) -
               lines.begin();
    };
    EXPECT_LT(position("quit path"), position("滚动探针v6开始"));

    // Once the burst is over a new signal runs a probe again.
    ASSERT_EQ(std::raise(SIGUSR1), 0);
    ui::SignalPipe::drain();
    clock().runUntilIdle();
    EXPECT_EQ(linesWith("滚动探针v6开始").size(), 2u);
}

TEST_F(DebugHooksTest, TheSettingsArgumentsAreLoggedAndOpenTheSettingsLater)
{
    DebugHooks::installDebugSignal({"glimra", "-glimra-show-settings", "-glimra-tab=1"}, recordingActions());
    EXPECT_EQ(linesWith("启动参数"),
              (std::vector<std::string>{"启动参数 -glimra-show-settings -glimra-tab=1 → 打开设置窗口"}));
    clock().advance(0.25);
    EXPECT_TRUE(settingsOpened.empty());
    clock().advance(0.1);
    EXPECT_EQ(settingsOpened, (std::vector<std::optional<int>>{1}));

    DebugHooks::installDebugSignal({"glimra", "-glimra-show-settings", "-glimra-tab=x"}, recordingActions());
    clock().advance(0.4);
    EXPECT_EQ(linesWith("启动参数").back(), "启动参数 -glimra-show-settings → 打开设置窗口");
    EXPECT_EQ(settingsOpened.back(), std::nullopt);

    DebugHooks::installDebugSignal({"glimra", "-glimra-tab=2"}, recordingActions());
    clock().advance(0.4);
    EXPECT_EQ(settingsOpened.size(), 2u);
}

TEST_F(DebugHooksTest, ClicksNearAMiniWindowAndInsideItAreLogged)
{
    DebugHooks::installDiagnostics();
    PipPanel* panel = makePanel();
    clock().runUntilIdle();
    const core::Rect frame = panel->frame();

    // 10 points left of the panel, in another application: dx=-10, dy=0.
    const core::Point nearLeft{frame.minX() - 10, frame.midY()};
    click(nearLeft);
    // Far away: nothing.
    click({frame.minX() - 40, frame.midY()});
    const auto nearMisses = linesWith("PIP邻域外部点击");
    ASSERT_EQ(nearMisses.size(), 1u);
    EXPECT_EQ(nearMisses[0], "PIP邻域外部点击: 落点=(" + std::to_string(static_cast<long long>(nearLeft.x)) + "," +
                                 std::to_string(static_cast<long long>(nearLeft.y)) + ") PIP=" + core::rectText(frame) +
                                 " 偏出(dx=-10,dy=0) —— 点击在PIP窗口外");

    const core::Point inPanel = at(*panel, 40, 60);
    click(inPanel);
    const auto inside = linesWith("local mouseDown:");
    ASSERT_EQ(inside.size(), 1u);
    const std::string expectedStart =
        "local mouseDown: loc=" + core::pointText(panel->convertFromScreen(inPanel)) + " hitTest=";
    EXPECT_TRUE(inside[0].starts_with(expectedStart)) << inside[0];
    EXPECT_TRUE(inside[0].ends_with(" click=1")) << inside[0];
}

TEST_F(DebugHooksTest, OneScrollProbeRunLogsItsRoundsInOrderAndPutsThePointerBack)
{
    desktop::input().warpPointer({400, 300});
    ScrollProbe::run();
    EXPECT_FALSE(ScrollProbe::isActive());
    clock().runUntilIdle();
    EXPECT_EQ(desktop::input().pointerLocation(), (core::Point{400, 300}));
    EXPECT_EQ(diagLines(),
              (std::vector<std::string>{
                  "═══ 滚动探针v6开始 ═══",
                  "p0=(400,300)",
                  "探针[Q1-field21窗口号] 接收窗收到=false 光标 前=(400,300) 250ms后=(400,300) 移动=0px ✓不动",
                  "探针[Q2-field21+location] 接收窗收到=false 光标 前=(400,300) 250ms后=(400,300) 移动=0px ✓不动",
                  "═══ 滚动探针v6结束 ═══",
              }));
    std::vector<nlohmann::json> scrolls;
    for (const auto& event : journalOf("event"))
        if (event["type"] == "scrollWheel") scrolls.push_back(event);
    ASSERT_EQ(scrolls.size(), 2u);
    for (const auto& scroll : scrolls) {
        EXPECT_EQ(scroll["userData"], ScrollProbe::marker);
        EXPECT_EQ(scroll["deltaY"], -30.0);
        EXPECT_EQ(scroll["at"], nlohmann::json::array({400.0, 300.0}));
    }
    // The test window is gone again.
    for (const auto& window : world().stack()) EXPECT_FALSE(window.own && window.ownVisible);
}

}  // namespace
