#include "parking/WindowParking.h"
#include "parking/ledger/RealScreens.h"
#include "parking/ledger/WindowList.h"

#include "ParkedWorld.h"
#include "platform/defaults/Defaults.h"
#include "platform/sim/SimVirtualDisplays.h"

namespace {

using parking::ParkingController;
using Lines = std::vector<std::string>;

constexpr desktop::Pid stray = 400;

// Notes on the primary screen (1512 x 982): its prewarm makes the virtual display
// (1552 x 1022 at the screen's bottom-right corner) and starts the watch.
class ForeignRescueTest : public testsupport::ParkedWorldTest {
protected:
    void SetUp() override
    {
        ParkedWorldTest::SetUp();
        ParkingController::onScreenQueryVerified = false;
        ParkingController::onScreenOnlyCoversVirtual = true;
        WindowParking::hasMiniWindows = false;
        addApp(stray, "Stray", "com.example.stray");
    }
    void TearDown() override
    {
        WindowParking::hasMiniWindows = false;
        ParkedWorldTest::TearDown();
    }

    desktop::DisplayID startWatch()
    {
        parking().prewarmDisplay(source);
        clock().runUntilIdle();
        const auto live = displayController().liveDisplayIDs();
        return live.empty() ? 0 : live.front();
    }
    bool onRealScreen(desktop::WindowID id)
    {
        const auto display = parking::windowlist::display(frameOf(id));
        return !displayController().isVirtual(display) && !displayController().isZombie(display);
    }
    std::set<desktop::WindowID> candidateIDs()
    {
        std::set<desktop::WindowID> ids;
        for (const auto& [id, candidate] : onQueue([&] { return parking().foreignWindowCandidates(); })) ids.insert(id);
        return ids;
    }
    std::string vd()
    {
        const auto live = displayController().liveDisplayIDs();
        return std::to_string(live.empty() ? 0 : live.front());
    }
};

// ---- where a rescued window goes ----

TEST(ForeignRescueTargetTest, AWindowGoesToTheNearestRealScreenInsideItsMargins)
{
    using parking::RealScreen;
    const core::Rect laptop(0, 0, 1440, 900);
    // 8 pt inside the right and bottom edges.
    EXPECT_EQ(parking::targetOnScreen({2000, 1200, 1000, 600}, laptop), core::Rect(432, 292, 1000, 600));
    // Taller than the screen minus both margins: at the top margin, x kept where it fits.
    EXPECT_EQ(parking::targetOnScreen({100, 500, 600, 860}, laptop), core::Rect(100, 40, 600, 860));
    // Wider than the screen: at the left margin; one that already fits stays put.
    EXPECT_EQ(parking::targetOnScreen({300, 100, 1500, 400}, laptop), core::Rect(8, 100, 1500, 400));
    EXPECT_EQ(parking::targetOnScreen({8, 40, 1424, 852}, laptop), core::Rect(8, 40, 1424, 852));

    const std::vector<RealScreen> screens{{1, laptop}, {2, {1440, 0, 1440, 900}}, {3, {-1920, 0, 1920, 1080}}};
    EXPECT_EQ(parking::nearestScreen({3000, 1200, 200, 200}, screens)->id, 2u);
    EXPECT_EQ(parking::nearestScreen({-500, 2000, 200, 200}, screens)->id, 3u);
    // The centre at the same distance from two screens: the earlier one.
    EXPECT_EQ(parking::nearestScreen({1340, 1000, 200, 200}, screens)->id, 1u);
    EXPECT_FALSE(parking::nearestScreen({0, 0, 10, 10}, {}));
}

TEST_F(ForeignRescueTest, TheWorkedExampleLandsEightPointsInsideTheRightAndBottomEdges)
{
    world().setDisplayFrame(1, core::Rect(0, 0, 1440, 900));
    startWatch();
    addWindow(stray, 31, core::Rect(2000, 1200, 1000, 600));
    tick(5);
    EXPECT_EQ(frameOf(31), core::Rect(432, 292, 1000, 600));
}

TEST_F(ForeignRescueTest, AVirtualDisplayAlreadyThereAtLaunchIsWatchedFromTheStart)
{
    parking().watchVirtualDisplaysAtLaunch();
    clock().runUntilIdle();
    EXPECT_FALSE(parking().foreignWatchRunning()) << "nothing to watch";

    desktop::DisplayInfo declared;
    declared.id = 77;
    declared.frame = core::Rect(1512, 982, 1552, 1022);
    declared.visibleFrame = declared.frame;
    declared.mode = {1552, 1022, 1552, 1022, 60};
    declared.isVirtual = true;
    world().addDisplay(declared);
    addWindow(stray, 31, core::Rect(1600, 1100, 800, 600));
    displayController().adoptDeclaredDisplays();
    parking().watchVirtualDisplaysAtLaunch();
    tick(5);
    EXPECT_TRUE(onRealScreen(31));
}

// ---- counting ----

TEST_F(ForeignRescueTest, AWindowStandingStillIsMovedOnTheFifthTickAndOneThatKeepsMovingIsNot)
{
    startWatch();
    startWatch();  // a second start leaves the running watch alone
    EXPECT_EQ(logged("外来窗口看守"), Lines{"外来窗口看守已启动（1s 心跳）"});
    addWindow(stray, 31, core::Rect(1600, 1100, 800, 600), "Still");
    addWindow(stray, 32, core::Rect(1700, 1400, 600, 400), "Creeping");   // 1 pt a tick: still enough
    addWindow(stray, 33, core::Rect(2400, 1200, 500, 400), "Wandering");  // 2 pt a tick
    clearLog();

    for (int t = 1; t <= 4; ++t) {
        world().setFrame(32, core::Rect(1700 + t, 1400, 600, 400));
        world().setFrame(33, core::Rect(2400 + 2 * t, 1200, 500, 400));
        tick();
    }
    EXPECT_FALSE(onRealScreen(31));
    EXPECT_TRUE(lines_.empty());

    world().setFrame(32, core::Rect(1705, 1400, 600, 400));
    world().setFrame(33, core::Rect(2410, 1200, 500, 400));
    tick();
    EXPECT_EQ(frameOf(31), core::Rect(704, 374, 800, 600));
    EXPECT_EQ(frameOf(32), core::Rect(904, 574, 600, 400));
    EXPECT_EQ(lines_,
              (Lines{
                  "外来窗口找回：Stray #31 第 1 次尝试 (1600,1100 800x600) → (704,374 800x600)（屏 #" + vd() + " → #1）",
                  "外来窗口找回（在虚拟屏上稳定 5s）：Stray #31 (1600,1100 800x600) → (704,374 800x600)"
                  "（屏 #" +
                      vd() + " → #1）",
                  "外来窗口找回：Stray #32 第 1 次尝试 (1705,1400 600x400) → (904,574 600x400)（屏 #" + vd() + " → #1）",
                  "外来窗口找回（在虚拟屏上稳定 5s）：Stray #32 (1705,1400 600x400) → (904,574 600x400)"
                  "（屏 #" +
                      vd() + " → #1）",
              }));

    // The wanderer is left alone while it moves and counts from 1 again when it stops.
    for (int t = 6; t <= 10; ++t) {
        world().setFrame(33, core::Rect(2400 + 2 * t, 1200, 500, 400));
        tick();
    }
    tick(3);
    EXPECT_EQ(frameOf(33), core::Rect(2420, 1200, 500, 400));
    tick();
    EXPECT_TRUE(onRealScreen(33));
}

TEST_F(ForeignRescueTest, OnlyOtherApplicationsOrdinaryWindowsOfAtLeast200By150OnAVirtualDisplayAreCandidates)
{
    startWatch();
    addWindow(stray, 31, core::Rect(1600, 1100, 200, 150), "Smallest counted");
    addWindow(stray, 32, core::Rect(1900, 1100, 199, 400), "Too narrow");
    addWindow(stray, 33, core::Rect(1600, 1400, 400, 149), "Too short");
    addWindow(stray, 34, core::Rect(2200, 1100, 400, 300), "Floating", 3);
    addWindow(stray, 35, core::Rect(100, 100, 400, 300), "On the real screen");
    addWindow(stray, 36, core::Rect(2600, 1100, 400, 300), "Minimised");
    world().setMinimized(36, true);
    sim::SimWindow own;
    own.id = 37;
    own.own = true;
    own.ownVisible = true;
    own.frame = core::Rect(2600, 1500, 400, 300);
    world().addWindow(own);
    // Parked by us: the ledger's, never the watcher's.
    cover(21, core::Rect(0, 25, 1512, 957));
    ASSERT_EQ(park(), ParkingController::RescueOutcome::parked);
    ASSERT_FALSE(onRealScreen(source));

    const auto listed = desktop::windowServer().windowList(desktop::WindowListOption::includingWindow, 37);
    ASSERT_TRUE(listed && listed->size() == 1 && listed->front().isOnscreen == true);
    EXPECT_EQ(candidateIDs(), std::set<desktop::WindowID>{31});
    // Read from the list of all windows when the on-screen list leaves virtual displays out.
    ParkingController::onScreenOnlyCoversVirtual = false;
    EXPECT_EQ(candidateIDs(), std::set<desktop::WindowID>{31});

    tick(8);
    EXPECT_TRUE(onRealScreen(31));
    EXPECT_FALSE(onRealScreen(source));
    EXPECT_EQ(frameOf(32), core::Rect(1900, 1100, 199, 400));
    EXPECT_EQ(frameOf(34), core::Rect(2200, 1100, 400, 300));
    EXPECT_EQ(frameOf(37), core::Rect(2600, 1500, 400, 300));
}

// ---- rescues per tick, quiet time, failures ----

TEST_F(ForeignRescueTest, AtMostThreeWindowsAreMovedPerTickTheOthersOnTheNextWithGrownCounts)
{
    startWatch();
    for (int i = 0; i < 6; ++i)
        addWindow(stray, static_cast<desktop::WindowID>(31 + i), core::Rect(1520 + 150 * i, 1000 + 60 * i, 300, 200));
    tick(5);
    for (desktop::WindowID id = 31; id <= 36; ++id) EXPECT_EQ(onRealScreen(id), id <= 33) << id;
    tick();
    for (desktop::WindowID id = 34; id <= 36; ++id) EXPECT_TRUE(onRealScreen(id)) << id;
    EXPECT_EQ(logged("在虚拟屏上稳定 6s）：Stray #34").size(), 1u);
}

TEST_F(ForeignRescueTest, AWindowItsApplicationPutsBackAfterARescueIsLeftAloneForSixtySeconds)
{
    startWatch();
    const core::Rect stranded(1600, 1100, 800, 600);
    addWindow(stray, 31, stranded);
    tick(5);
    ASSERT_TRUE(onRealScreen(31));
    const double rescuedAt = dispatch::now();

    world().setFrame(31, stranded);
    clock().advanceTo(rescuedAt + 59);
    EXPECT_EQ(frameOf(31), stranded);
    clock().advanceTo(rescuedAt + 61);
    EXPECT_TRUE(onRealScreen(31));
}

TEST_F(ForeignRescueTest, AWindowThatCannotBeMovedFailsOneAndTwoOfThreeThenBacksOffForSixtySeconds)
{
    startWatch();
    constexpr desktop::Pid stuck = 500;
    sim::AppBehavior refusing;
    refusing.refuseMoves = desktop::ax::cannotComplete;
    addApp(stuck, "Stuck", "com.example.stuck", refusing);
    addWindow(stuck, 31, core::Rect(1600, 1100, 800, 600));
    world().setFrontmost(stuck);
    clearLog();

    tick(5);
    const std::string attempt = "(1600,1100 800x600) → (704,374 800x600)（屏 #" + vd() + " → #1）";
    const std::string refused = "候选 1 的 AX 写入被直接拒绝（AXUIElementSetAttributeValue 返回失败）⇒ 换下一个候选";
    EXPECT_EQ(lines_, (Lines{
                          "外来窗口找回：窗口 #31 的属主正当前台 —— 照搬（那块屏没有输出，搬它不会有可见影响）",
                          "外来窗口找回：Stuck #31 第 1 次尝试 " + attempt,
                          refused,
                          "外来窗口找回：Stuck #31 第 2 次尝试 " + attempt,
                          refused,
                          "外来窗口找回失败（在虚拟屏上稳定 5s）：Stuck #31 —— 两次都搬不动（它仍在虚拟屏上；"
                          "每一次的目标与回读值见上面『第 N 次尝试』『候选 N …』那几行）",
                          "外来窗口找回：窗口 #31 第 1/3 次搬不动 ⇒ 下一跳（1s 后）再试",
                      }));
    tick(2);
    EXPECT_EQ(logged("次搬不动"),
              (Lines{"外来窗口找回：窗口 #31 第 1/3 次搬不动 ⇒ 下一跳（1s 后）再试",
                     "外来窗口找回：窗口 #31 第 2/3 次搬不动 ⇒ 下一跳（1s 后）再试",
                     "外来窗口找回：窗口 #31 连续 3 次搬不动 ⇒ 退避 60s（它不是「移动一下就回来」那种，是真的搬不动；"
                     "如实记录，不再每秒戳它）"}));
    EXPECT_EQ(logged("属主正当前台").size(), 1u);
    const double backedOffAt = dispatch::now();

    clock().advanceTo(backedOffAt + 59);
    EXPECT_EQ(logged("第 1 次尝试").size(), 3u);
    clock().advanceTo(backedOffAt + 61);
    // Counted afresh: the next failure is the first again.
    EXPECT_EQ(logged("第 1/3 次搬不动").size(), 2u);
    EXPECT_EQ(logged("属主正当前台").size(), 2u);
}

TEST_F(ForeignRescueTest, AWindowItsApplicationPlacesOnARealScreenItselfCountsAsRescued)
{
    startWatch();
    constexpr desktop::Pid shifty = 500;
    sim::AppBehavior shifting;
    shifting.shiftMoves = core::Point{0, 30};
    addApp(shifty, "Shifty", "com.example.shifty", shifting);
    addWindow(shifty, 31, core::Rect(1600, 1100, 800, 600));
    tick(5);
    EXPECT_EQ(frameOf(31), core::Rect(704, 404, 800, 600));
    EXPECT_EQ(logged("它自己挑的落点"),
              Lines{"外来窗口找回（在虚拟屏上稳定 5s）：Shifty #31 (1600,1100 800x600) → (704,404 800x600)"
                    "（**它自己挑的落点**，没落在我们算的 (704,374 800x600) 上，尺寸也可能被它改过；"
                    "已回到真屏 #1 ⇒ 按产品语义算成功）"});
    EXPECT_TRUE(logged("次搬不动").empty());
}

TEST_F(ForeignRescueTest, TheUsersRequestRescuesAnUnrecordedWindowAtOnceAndTakesOneAlreadyBackAsDone)
{
    startWatch();
    addWindow(stray, 31, core::Rect(1600, 1100, 800, 600));
    clearLog();
    EXPECT_TRUE(onQueue([&] { return parking().bringBackForUser(31); }));
    EXPECT_EQ(frameOf(31), core::Rect(704, 374, 800, 600));
    EXPECT_EQ(logged("用户要求打开原应用"),
              Lines{"外来窗口找回（用户要求打开原应用）：Stray #31 (1600,1100 800x600) → (704,374 800x600)（屏 #" +
                    vd() + " → #1）"});

    clearLog();
    EXPECT_TRUE(onQueue([&] { return parking().bringBackForUser(31); }));
    EXPECT_EQ(lines_, Lines{"外来窗口找回（用户要求打开原应用）：Stray #31 此刻已不在虚拟屏上（(704,374 800x600)）"
                            "⇒ 无需再搬（算成功，避免来回摆）"});
    // A window that is gone has no owner: a quiet no.
    clearLog();
    EXPECT_FALSE(onQueue([&] { return parking().bringBackForUser(99); }));
    EXPECT_TRUE(lines_.empty());
}

// ---- pause, stop, screens that are not real ----

TEST_F(ForeignRescueTest, MiniWindowsPauseTheWatchAndClosingThemResumesItCountingFromZero)
{
    defaults::Defaults::standard().set("foreignRescueWithPips", false);
    startWatch();
    addWindow(stray, 31, core::Rect(1600, 1100, 800, 600));
    clearLog();
    tick(3);
    WindowParking::hasMiniWindows = true;
    tick(10);
    EXPECT_FALSE(onRealScreen(31));
    EXPECT_EQ(lines_, Lines{"外来窗口找回：此刻**有小窗** ⇒ 按产品规则暂不碰虚拟屏上的外来窗口"
                            "（关掉小窗之后，它还要重新累计稳定的 5s 才会动手）"});

    clearLog();
    WindowParking::hasMiniWindows = false;
    tick(4);
    EXPECT_EQ(lines_, Lines{"外来窗口找回：小窗已不在 ⇒ 恢复看守（外来窗口从这一刻起重新累计稳定的 5s）"});
    EXPECT_FALSE(onRealScreen(31));
    tick();
    EXPECT_TRUE(onRealScreen(31));
}

TEST_F(ForeignRescueTest, MiniWindowsDoNotPauseTheWatchUnlessTheSettingIsAStoredFalse)
{
    defaults::Defaults::standard().set("foreignRescueWithPips", "NO");
    WindowParking::hasMiniWindows = true;
    startWatch();
    addWindow(stray, 31, core::Rect(1600, 1100, 800, 600));
    tick(5);
    EXPECT_TRUE(onRealScreen(31));
    EXPECT_TRUE(logged("有小窗").empty());
}

TEST_F(ForeignRescueTest, TheWatchStopsOnTheFirstTickWithoutAVirtualDisplayOrZombie)
{
    startWatch();
    addWindow(stray, 31, core::Rect(1600, 1100, 800, 600));
    tick(2);
    displayController().terminateAll();
    ASSERT_FALSE(displayController().hasLiveOrZombie());
    clearLog();
    tick();
    EXPECT_FALSE(parking().foreignWatchRunning());
    EXPECT_EQ(lines_, Lines{"外来窗口看守已停止"});
}

TEST_F(ForeignRescueTest, WithNoRealScreenLeftTheRescueGivesUp)
{
    startWatch();
    addWindow(stray, 31, core::Rect(1600, 1100, 800, 600));
    ASSERT_TRUE(world().removeDisplay(1));
    tick(5);
    EXPECT_EQ(frameOf(31), core::Rect(1600, 1100, 800, 600));
    EXPECT_EQ(logged("#31 —— 算不出落点"),
              Lines{"外来窗口找回放弃（在虚拟屏上稳定 5s）：Stray #31 —— 算不出落点（没有可用的真屏？）"});
    EXPECT_EQ(logged("窗口 #31 第 1/3 次搬不动").size(), 1u);
}

TEST_F(ForeignRescueTest, AWindowOnATerminatedDisplayThatLingersIsRescuedAndKeepsTheWatchRunning)
{
    const auto ended = startWatch();
    auto& service = dynamic_cast<sim::SimVirtualDisplays&>(desktop::virtualDisplays());
    sim::SimVirtualDisplays::Options lingering;
    lingering.modeDelay = std::nullopt;
    lingering.lingerCommits = std::nullopt;
    service.setOptions(lingering);
    ASSERT_TRUE(service.terminate(ended));
    // The next prewarm finds it ended and keeps it as a zombie; the new one never gets a
    // mode, so no live display is left.
    parking().prewarmDisplay(source);
    clock().runUntilIdle();
    ASSERT_TRUE(displayController().isZombie(ended));
    ASSERT_TRUE(displayController().liveDisplayIDs().empty());

    addWindow(stray, 31, core::Rect(1600, 1100, 800, 600));
    ASSERT_TRUE(displayController().isZombie(parking::windowlist::display(frameOf(31))));
    EXPECT_EQ(candidateIDs(), std::set<desktop::WindowID>{31});
    tick(5);
    EXPECT_EQ(frameOf(31), core::Rect(704, 374, 800, 600));
    EXPECT_TRUE(parking().foreignWatchRunning());
}

}  // namespace
