#include "parking/watchers/ParkedFocusWatcher.h"

#include "ParkedWorld.h"
#include "support/DiagLines.h"

#include <gtest/gtest.h>

namespace {

using Outcome = ParkingService::RescueOutcome;

// Notes' source window 11 is parked while Cover's window 21 lies over its place; Notes
// has a second window 12 elsewhere, so that its focus can move between the two.
class ParkedFocusWatcherTest : public testsupport::WithDiagLines<testsupport::ParkedWorldTest> {
protected:
    static constexpr desktop::WindowID other = 12;
    static constexpr desktop::WindowID coverID = 21;

    void SetUp() override
    {
        WithDiagLines::SetUp();
        addWindow(notes, other, {900, 300, 400, 300}, "Other");
        watcher = std::make_shared<ParkedFocusWatcher>(parking());
        watcher->start();
    }

    void TearDown() override
    {
        watcher.reset();
        WithDiagLines::TearDown();
    }

    // Parks the source under the cover, and lets the watcher see it.
    void parkUnderCover()
    {
        cover(coverID);
        ASSERT_EQ(park(), Outcome::parked);
        tick();
        ASSERT_EQ(linesWith("焦点观察: 已监听 pid=200").size(), 1u);
    }

    // Notes focuses the window (it comes to the front); the cover is put back on top
    // before the watcher looks.
    void focusUnderCover(desktop::WindowID id)
    {
        world().raise(id);
        world().raise(coverID);
        clock().runUntilIdle();
    }

    void focus(desktop::WindowID id)
    {
        world().raise(id);
        clock().runUntilIdle();
    }

    // Notes' focus passes over the parked window to the other one: the watcher hears of
    // both changes and finds the other one focused.
    void focusAway()
    {
        world().raise(source);
        world().raise(other);
        clock().runUntilIdle();
    }

    std::size_t heldLines() const { return linesWith("焦点观察: 焦点落到停在虚拟屏上的 #11").size(); }

    std::shared_ptr<ParkedFocusWatcher> watcher;
};

TEST_F(ParkedFocusWatcherTest, FocusingAParkedWindowBringsItBackAndRaisesIt)
{
    EXPECT_EQ(linesWith("焦点观察: 已启动").front(),
              "焦点观察: 已启动（每 1s 与「有窗口停在虚拟屏上的应用」对齐一次；"
              "命中就把它搬回原位并抬到最前 ⇒ ⌘`/窗口菜单/调度中心都能切到被停放的窗口）");
    parkUnderCover();
    world().removeWindow(coverID);

    focus(source);
    EXPECT_EQ(frameOf(source), home);
    EXPECT_FALSE(isParked());
    EXPECT_EQ(world().stackIds().front(), source);
    EXPECT_EQ(
        linesWith("焦点观察: 用户选中了停在虚拟屏上的窗口 #11（Notes） ⇒ 已搬回原位 700x500@(80,80) 并抬到最前").size(),
        1u);
}

TEST_F(ParkedFocusWatcherTest, AnotherApplicationOverThePlaceHoldsTheWindowAndBurstsAreDebounced)
{
    parkUnderCover();

    focusAway();  // not a parked window: starts no quiet time
    clock().advance(0.3);
    focusUnderCover(source);
    ASSERT_EQ(heldLines(), 1u);
    EXPECT_EQ(linesWith("焦点观察: 焦点落到停在虚拟屏上的 #11").front(),
              "焦点观察: 焦点落到停在虚拟屏上的 #11（Notes），但它的原位被**别的应用**(pid 300) 盖着 ⇒ 暂不搬回"
              "（AXRaise 跨应用抬不动，搬回去也看不见）");
    EXPECT_TRUE(isParked());

    clock().advance(0.15);
    focusAway();
    clock().advance(0.15);
    focusUnderCover(source);  // 0.3 s after the first
    EXPECT_EQ(heldLines(), 1u);

    clock().advance(0.2);
    focusAway();
    clock().advance(0.2);
    focusUnderCover(source);  // 0.7 s after the first
    EXPECT_EQ(heldLines(), 2u);
    EXPECT_TRUE(isParked());
}

TEST_F(ParkedFocusWatcherTest, AWindowOfTheSameApplicationOverThePlaceDoesNotHoldIt)
{
    parkUnderCover();
    world().removeWindow(coverID);
    const core::Rect parkedFrame = frameOf(source);
    // Focus always lands on an application's frontmost window, so the parked record is
    // found through a twin at its frame; behind the twin, a sibling covers the place.
    addWindow(notes, 13, home.insetBy(-10, -10), "Sibling");
    addWindow(notes, 14, parkedFrame, "Twin");
    clock().runUntilIdle();

    EXPECT_EQ(heldLines(), 0u);
    EXPECT_EQ(frameOf(source), home);
    EXPECT_EQ(linesWith("焦点观察: 用户选中了停在虚拟屏上的窗口 #11（Notes）").size(), 1u);
}

TEST_F(ParkedFocusWatcherTest, ObserversFollowTheApplicationsThatHaveParkedWindows)
{
    parkUnderCover();
    tick(3);
    EXPECT_EQ(linesWith("焦点观察: 已监听 pid=200 的焦点窗口变化（它有窗口停在虚拟屏上）").size(), 1u);

    world().removeWindow(coverID);
    tick(4);  // two clear ticks give it back, the next reconcile lets go
    ASSERT_FALSE(isParked());
    EXPECT_EQ(linesWith("焦点观察: 已摘掉 pid=200（没有窗口停在虚拟屏上了）").size(), 1u);

    // Nobody listens any more: focus changes of Notes go unheard.
    focusAway();
    focus(source);
    tick(2);
    EXPECT_EQ(linesWith("焦点观察: ").size(), 3u);
}

TEST_F(ParkedFocusWatcherTest, WithoutAccessibilityTrustObserversAreNeitherAddedNorRemoved)
{
    cover(coverID);
    ASSERT_EQ(park(), Outcome::parked);
    world().setAccessibilityTrusted(false);
    tick(3);
    EXPECT_TRUE(linesWith("焦点观察: 已监听").empty());

    world().setAccessibilityTrusted(true);
    tick();
    EXPECT_EQ(linesWith("焦点观察: 已监听 pid=200").size(), 1u);

    world().setAccessibilityTrusted(false);
    world().removeWindow(source);  // the ledger drops the record at its next tick
    tick(3);
    ASSERT_FALSE(isParked());
    EXPECT_TRUE(linesWith("焦点观察: 已摘掉").empty());

    world().setAccessibilityTrusted(true);
    tick();
    EXPECT_EQ(linesWith("焦点观察: 已摘掉 pid=200").size(), 1u);
}

}  // namespace
