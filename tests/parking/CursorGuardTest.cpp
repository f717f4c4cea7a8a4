#include "parking/watchers/CursorGuard.h"

#include "parking/WindowParking.h"
#include "parking/display/DisplayController.h"
#include "parking/watchers/CursorGuardFlash.h"
#include "parking/watchers/CursorTarget.h"
#include "platform/core/AppIdentity.h"
#include "platform/defaults/Defaults.h"
#include "platform/sim/SimInput.h"
#include "support/DiagLines.h"
#include "support/QtTestApplication.h"

#include <gtest/gtest.h>

namespace {

using Outcome = CursorGuard::Outcome;

// Counts what the escape key asks of parking.
class ParkingCounter : public ParkingService {
public:
    int parked = 0;
    std::vector<double> restoreTimeouts;

    int parkedCount() override { return parked; }
    void restoreAllBlocking(double timeout) override { restoreTimeouts.push_back(timeout); }

    RescueOutcome rescueOutcome(desktop::WindowID) override { return RescueOutcome::failed; }
    bool isBorrowedByPinnedPreview(desktop::WindowID) override { return false; }
    void prewarmDisplay(desktop::WindowID) override {}
    void restoreAsync(desktop::WindowID) override {}
    bool bringBackForUser(desktop::WindowID) override { return false; }
    std::optional<core::Rect> takeOver(desktop::WindowID) override { return std::nullopt; }
    void giveBack(desktop::WindowID) override {}
    void releaseTakeover(desktop::WindowID) override {}
    int parkedCountSnapshot() const override { return parked; }
    void restoreForActivatedApp(desktop::Pid, std::optional<desktop::Pid>) override {}
};

class CursorGuardTest : public testsupport::SimDesktopDiagTest {
protected:
    void SetUp() override
    {
        testsupport::ensureQtApplication();
        testsupport::SimDesktopDiagTest::SetUp();
        displays = std::make_unique<parking::DisplayController>();
        guard = std::make_shared<CursorGuard>(*displays);
    }

    void TearDown() override
    {
        guard.reset();
        clock().advance(3);  // the last message fades out and goes
        WindowParking::install(nullptr);
        displays.reset();
        testsupport::SimDesktopDiagTest::TearDown();
    }

    sim::SimInput& input() { return static_cast<sim::SimInput&>(*desktop().input); }

    void addDisplay(desktop::DisplayID id, const core::Rect& frame, const std::string& name, bool isVirtual = false)
    {
        desktop::DisplayInfo display;
        display.id = id;
        display.frame = frame;
        display.visibleFrame = frame;
        display.scale = 1;
        display.mode = {frame.width(), frame.height(), static_cast<int>(frame.width()),
                        static_cast<int>(frame.height()), 60};
        display.name = name;
        display.isVirtual = isVirtual;
        world().addDisplay(display);
    }

    // Beside the test display, named the way our virtual displays are.
    void addOurVirtualDisplay() { addDisplay(2, {1512, 0, 1920, 1080}, "Glimra 1920x1080"); }

    // A virtual display of the ledger's, under a name that does not give it away.
    void adoptVirtualDisplay(desktop::DisplayID id, const core::Rect& frame)
    {
        addDisplay(id, frame, "Virtual", true);
        displays->adoptDeclaredDisplays();
        ASSERT_TRUE(displays->isVirtual(id));
    }

    // Where the pointer was put, in order.
    std::vector<core::Point> warps() const
    {
        std::vector<core::Point> points;
        for (const auto& entry : journalOf("pointer.warp")) points.push_back({entry["to"][0], entry["to"][1]});
        return points;
    }

    std::string shownMessage() const
    {
        const auto* panel = CursorGuardFlash::current();
        return panel ? panel->text() : std::string("(none)");
    }

    std::unique_ptr<parking::DisplayController> displays;
    std::shared_ptr<CursorGuard> guard;
};

// 100 pt left of the test display's left edge, at mid height.
constexpr core::Point leftOfScreen{-100, 491};

TEST_F(CursorGuardTest, ProbeIntervalIsTheSettingAboveFiftyMillisecondsElseOneSecond)
{
    auto& store = defaults::Defaults::standard();
    addOurVirtualDisplay();
    input().warpPointer(leftOfScreen);
    const auto rescues = [&] { return linesWith("光标逃生（自动）：从 (-100,491)").size(); };

    store.set("cursorGuardProbeInterval", 0.05);
    guard->start();
    EXPECT_EQ(linesWith("启动 光标守卫").back(),
              "启动 光标守卫=开启（自动探针每 1.00s 一跳，逃生热键 ⌥⌘R；关掉自动探针试对照：defaults write " +
                  core::AppIdentity::current().bundleIdentifier + " cursorGuardAutoRescue -bool NO）");
    clock().advance(0.9);
    EXPECT_EQ(rescues(), 0u);
    clock().advance(0.1);
    EXPECT_EQ(rescues(), 1u);

    store.set("cursorGuardProbeInterval", 0.5);
    guard = std::make_shared<CursorGuard>(*displays);
    guard->start();
    guard->start();  // a second start changes nothing
    EXPECT_EQ(linesWith("每 0.50s 一跳").size(), 1u);
    input().warpPointer(leftOfScreen);
    clock().advance(0.5);
    EXPECT_EQ(rescues(), 2u);

    store.set("cursorGuardProbeInterval", "0.5");  // not a number: absent
    guard = std::make_shared<CursorGuard>(*displays);
    guard->start();
    EXPECT_TRUE(linesWith("启动 光标守卫").back().find("每 1.00s") != std::string::npos);
}

TEST_F(CursorGuardTest, AutoRescueSwitchIsReadOnEveryTickAndOnlyABooleanFalseStopsIt)
{
    auto& store = defaults::Defaults::standard();
    addOurVirtualDisplay();
    guard->start();
    store.set("cursorGuardAutoRescue", false);
    input().warpPointer(leftOfScreen);
    clock().advance(3);
    EXPECT_EQ(warps().size(), 1u) << "only the test's own warp";

    store.set("cursorGuardAutoRescue", "NO");
    clock().advance(1);
    ASSERT_EQ(warps().size(), 2u);
    EXPECT_EQ(warps().back(), (core::Point{16, 491}));
}

TEST_F(CursorGuardTest, WithParkingSwitchedOffNoProbeRunsButTheEscapeKeyStillRescues)
{
    defaults::Defaults::standard().set("virtualDisplayPark", false);
    guard->start();
    EXPECT_EQ(linesWith("光标守卫：虚拟屏自救已关闭 ⇒ 不启动自动探针（防的是同一件事）").size(), 1u);
    EXPECT_TRUE(linesWith("启动 光标守卫").empty());

    addOurVirtualDisplay();
    input().warpPointer({1600, 500});
    clock().advance(5);
    EXPECT_EQ(warps().size(), 1u) << "no probe";

    guard->rescueNow();
    clock().runUntilIdle();
    ASSERT_EQ(warps().size(), 2u);
    EXPECT_EQ(warps().back(), (core::Point{1496, 500}));
    EXPECT_EQ(shownMessage(), "已找回光标");
    EXPECT_EQ(linesWith("光标逃生：从 (1600,500) 拉回 #1 → (1496,500)，CGError=0，落点合法=true").size(), 1u);
}

TEST_F(CursorGuardTest, HeldButtonLeavesThePointerAndIsLoggedOncePerHold)
{
    addOurVirtualDisplay();
    guard->start();
    const auto heldLines = [&] { return linesWith("光标守卫：光标在虚拟屏上、但正按着鼠标键 ⇒ 这一跳不动它").size(); };

    input().userMouseDown(sim::MouseButton::left, {1600, 500});
    clock().advance(3);
    EXPECT_EQ(heldLines(), 1u);
    EXPECT_TRUE(warps().empty());

    input().userMouseUp(sim::MouseButton::left, {1600, 500});
    clock().advance(1);
    ASSERT_EQ(warps().size(), 1u);
    EXPECT_EQ(warps().back(), (core::Point{1496, 500}));

    input().userMouseDown(sim::MouseButton::right, {1700, 500});
    clock().advance(2);
    EXPECT_EQ(heldLines(), 2u) << "a new hold is logged again";
    EXPECT_EQ(warps().size(), 1u);
}

TEST_F(CursorGuardTest, LostPointerLandsSixteenPointsInsideTheNearestRealScreenAtTheSameHeight)
{
    addDisplay(2, {1512, 0, 1920, 1080}, "DELL U2720Q");
    addDisplay(3, {3432, 0, 1920, 1080}, "Glimra 1920x1080");
    guard->start();

    input().warpPointer(leftOfScreen);
    clock().advance(1);
    EXPECT_EQ(warps().back(), (core::Point{16, 491}));
    EXPECT_EQ(linesWith("光标逃生（自动）：从 (-100,491) 拉回 #1 → (16,491)，CGError=0，落点合法=true").size(), 1u);

    input().warpPointer({3500, 1000});  // on our virtual display, beside the second screen
    clock().advance(1);
    EXPECT_EQ(warps().back(), (core::Point{3416, 1000}));

    // Pointer on a real screen: the tick does nothing.
    const std::size_t before = warps().size();
    clock().advance(3);
    EXPECT_EQ(warps().size(), before);
}

TEST_F(CursorGuardTest, ThreeFailedRescuesInARowBeepOnceAndShowOneMessage)
{
    addOurVirtualDisplay();
    input().warpPointer(leftOfScreen);
    input().setIgnoreWarps(true);
    guard->start();

    clock().advance(2);
    EXPECT_TRUE(journalOf("beep").empty());
    EXPECT_EQ(linesWith("光标逃生（自动）：warp 后读回 (-100.0,491.0) ≠ 目标，改用 CGDisplayMoveCursorToPoint").size(),
              2u);
    EXPECT_EQ(linesWith("光标逃生（自动）：从 (-100,491) 拉回 #1 → (-100,491)，CGError=0，落点合法=false").size(), 2u);

    clock().advance(1);
    EXPECT_EQ(journalOf("beep").size(), 1u);
    EXPECT_EQ(shownMessage(), "没找回来，再按一次试试");

    clock().advance(1);  // the fourth failure
    EXPECT_EQ(journalOf("beep").size(), 1u);

    input().setIgnoreWarps(false);
    clock().advance(1);  // rescued
    EXPECT_EQ(warps().back(), (core::Point{16, 491}));
    EXPECT_EQ(CursorGuardFlash::current(), nullptr) << "the fourth failure showed nothing either";

    // Lost again before the next tick: the success alone ended the streak.
    input().warpPointer(leftOfScreen);
    input().setIgnoreWarps(true);
    clock().advance(2);
    EXPECT_EQ(journalOf("beep").size(), 1u);
    clock().advance(1);
    EXPECT_EQ(journalOf("beep").size(), 2u) << "a new streak announces again";
}

TEST_F(CursorGuardTest, WhenEveryDisplayIsVirtualOnlyTheEscapeKeyFallsBackToTheMainDisplay)
{
    adoptVirtualDisplay(2, {1512, 0, 1920, 1080});
    world().removeDisplay(1);
    input().warpPointer({3500, 500});

    const auto probe = guard->queue().syncResult([&] { return guard->bringCursorBack("（自动）", false, false); });
    EXPECT_EQ(probe.result, Outcome::failed);
    EXPECT_EQ(probe.message, "找不到可用的显示器");
    EXPECT_EQ(warps().size(), 1u);
    EXPECT_EQ(linesWith("光标守卫（自动）：真屏判据降级到第 2 档（账本 ∪ 名字都认不出真屏） ⇒ 现场：活动屏 1 块[#2 "
                        "1920x1080px 主屏 名字=「Virtual」 账本命中=true]，账本 live=[2]")
                  .size(),
              1u);

    guard->rescueNow();
    EXPECT_EQ(linesWith("光标逃生：真屏判据全不可用（账本 ∪ 名字都没认出真屏）⇒ 显式路径降级到主屏 #2 1920x1080px 主屏 "
                        "名字=「Virtual」 账本命中=true")
                  .size(),
              1u);
    EXPECT_EQ(warps().back(), (core::Point{3416, 500}));
    EXPECT_EQ(shownMessage(), "已找回光标");
    EXPECT_EQ(linesWith("真屏判据降级").size(), 1u) << "the same level again adds no line";
}

TEST_F(CursorGuardTest, TheLedgerAloneTellsAVirtualDisplayWhateverItsName)
{
    adoptVirtualDisplay(2, {1512, 0, 1920, 1080});
    input().warpPointer({2000, 500});
    guard->start();
    clock().advance(1);
    EXPECT_EQ(warps().back(), (core::Point{1496, 500}));
    EXPECT_TRUE(linesWith("真屏判据").empty());
}

TEST(CursorTargetTest, NearestDisplayWinsAndTheFirstListedBreaksATie)
{
    const std::vector<core::Rect> stacked{{0, 0, 1512, 982}, {0, 1082, 1512, 982}};
    EXPECT_EQ(cursortarget::nearestDisplay({-100, 1032}, stacked), 0u) << "50 pt from each";
    EXPECT_EQ(cursortarget::nearestDisplay({-100, 1033}, stacked), 1u);
    EXPECT_EQ(cursortarget::nearestDisplay({700, 500}, stacked), 0u);

    EXPECT_EQ(cursortarget::clampedInto({-100, 491}, stacked[0]), (core::Point{16, 491}));
    EXPECT_EQ(cursortarget::clampedInto({2000, -40}, stacked[0]), (core::Point{1496, 16}));
    EXPECT_EQ(cursortarget::clampedInto({700, 500}, stacked[0]), (core::Point{700, 500}));
}

TEST_F(CursorGuardTest, EscapeKeyWithOneRealScreenSaysAllIsWellAndStillGivesBackParkedWindows)
{
    const auto parking = std::make_shared<ParkingCounter>();
    parking->parked = 2;
    WindowParking::install(parking);

    guard->rescueNow();
    EXPECT_EQ(linesWith("光标逃生：收到热键").size(), 1u);
    EXPECT_EQ(linesWith("光标逃生：活动屏只有 1 块且它就是真屏 ⇒ 判据无需参与，不动光标").size(), 1u);
    EXPECT_EQ(shownMessage(), "光标一切正常，无需处理");
    EXPECT_TRUE(parking->restoreTimeouts.empty()) << "the main thread never waits for the give-back";

    clock().runUntilIdle();
    EXPECT_EQ(parking->restoreTimeouts, std::vector<double>{3.0});
    EXPECT_EQ(linesWith("光标逃生：已还原 2 个窗口（总耗时 0.00s）").size(), 1u);
    EXPECT_TRUE(warps().empty());

    parking->parked = 0;
    guard->rescueNow();
    clock().runUntilIdle();
    EXPECT_EQ(parking->restoreTimeouts.size(), 1u);
    EXPECT_EQ(linesWith("光标逃生：没有停在虚拟屏上的窗口，无需还原").size(), 1u);
}

TEST_F(CursorGuardTest, EscapeKeyWithThePointerOnARealScreenLeavesIt)
{
    addDisplay(2, {1512, 0, 1920, 1080}, "DELL U2720Q");
    input().warpPointer({1600.7, 20.2});
    guard->rescueNow();
    EXPECT_EQ(linesWith("光标逃生：光标本来就在真屏上（1600,20），不动它").size(), 1u);
    EXPECT_EQ(shownMessage(), "光标一切正常，无需处理");
    EXPECT_EQ(warps().size(), 1u);
}

TEST_F(CursorGuardTest, NoActiveDisplayIsAFailureNotAllIsWell)
{
    world().removeDisplay(1);
    input().warpPointer({200, 200});

    EXPECT_EQ(guard->bringCursorBack("", true, true).result, Outcome::failed);
    guard->rescueNow();
    EXPECT_EQ(shownMessage(), "找不到可用的显示器");
    EXPECT_TRUE(linesWith("活动屏只有").empty());
    EXPECT_EQ(
        linesWith("光标守卫：真屏判据降级到第 2 档（账本 ∪ 名字都认不出真屏） ⇒ 现场：活动屏 0 块[]，账本 live=[]").size(),
        1u);

    guard->start();
    clock().advance(3);
    EXPECT_EQ(journalOf("beep").size(), 1u) << "three failed probes in a row";
    EXPECT_EQ(shownMessage(), "没找回来，再按一次试试");
    EXPECT_EQ(warps().size(), 1u);
}

TEST_F(CursorGuardTest, EachChangeOfTheRealScreenLevelIsLoggedOnce)
{
    world().removeDisplay(1);
    addDisplay(4, {0, 0, 1512, 982}, "Glimra 1512x982");
    addDisplay(5, {1512, 0, 1512, 982}, "Glimra 1512x982");
    input().warpPointer({300, 300});
    guard->start();
    clock().advance(3);

    // Only the names call both displays ours; the ledger knows neither, so both count.
    const auto down = linesWith("真屏判据降级到第 1 档");
    ASSERT_EQ(down.size(), 1u);
    EXPECT_EQ(
        down[0],
        "光标守卫（自动）：真屏判据降级到第 1 档（名字那条臂认不出真屏了，降级为只认账本） ⇒ 现场：活动屏 2 块[#4 "
        "1512x982px 主屏 名字=「Glimra 1512x982」 账本命中=false；#5 1512x982px 名字=「Glimra 1512x982」 "
        "账本命中=false]，账本 live=[]");
    EXPECT_EQ(warps().size(), 1u) << "the pointer is on a listed display";

    guard->rescueNow();
    EXPECT_EQ(linesWith("真屏判据").size(), 1u);

    addDisplay(6, {0, 982, 1512, 982}, "");
    guard->rescueNow();
    EXPECT_EQ(linesWith("光标守卫：真屏判据恢复正常（账本 ∪ 名字又能认出真屏了，刚从第 1 档回来）").size(), 1u);
    EXPECT_EQ(warps().back(), (core::Point{300, 998}));
    clock().advance(2);
    EXPECT_EQ(linesWith("真屏判据").size(), 2u);
}

TEST_F(CursorGuardTest, ASecondMessageReplacesTheShownOneAndEachFadesAway)
{
    guard->rescueNow();
    auto* first = CursorGuardFlash::current();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->level(), 25);
    EXPECT_TRUE(first->ignoresMouseEvents());
    const auto number = first->windowNumber();
    clock().advance(0.5);
    EXPECT_DOUBLE_EQ(first->alphaValue(), 1.0);
    // Above the middle of the screen: 982 high, so its middle is raised by 176.76.
    EXPECT_NEAR(first->frame().midY(), 491 + 0.18 * 982, 0.01);
    EXPECT_NEAR(first->frame().midX(), 756, 0.01);

    guard->rescueNow();
    auto* second = CursorGuardFlash::current();
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first);
    const auto secondNumber = second->windowNumber();
    clock().runUntilIdle();
    EXPECT_FALSE(world().window(number)) << "the first message is gone at once";

    clock().advance(1.8 + 0.22 + 0.1);
    EXPECT_EQ(CursorGuardFlash::current(), nullptr);
    EXPECT_FALSE(world().window(secondNumber));
}

}  // namespace
