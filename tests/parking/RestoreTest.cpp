#include "ParkedWorld.h"

#include "platform/desktop/Accessibility.h"
#include "platform/desktop/Desktop.h"

namespace {

using Outcome = ParkingService::RescueOutcome;

class RestoreTest : public testsupport::ParkedWorldTest {
protected:
    void refuseMoves(bool refuse)
    {
        sim::AppBehavior behavior;
        if (refuse) behavior.refuseMoves = desktop::ax::cannotComplete;
        world().setBehavior(notes, behavior);
    }

    // Parks the source, then the user drags it off the virtual display to the frame and
    // the next tick keeps it as strayed.
    void strayTo(const core::Rect& frame)
    {
        cover(21);
        ASSERT_EQ(park(), Outcome::parked);
        world().setFrame(source, frame);
        tick();
        ASSERT_TRUE(isStrayed());
        clearLog();
    }
};

TEST_F(RestoreTest, AFailingRestoreKeepsTheRecordAndIsLoggedOnceUntilARestoreSucceeds)
{
    parkThenUncover();
    const core::Rect parkedFrame = frameOf(source);
    refuseMoves(true);
    tick(8);  // four attempts, each with its retry
    EXPECT_TRUE(isParked());
    EXPECT_EQ(frameOf(source), parkedFrame);
    ASSERT_EQ(logged("还原失败").size(), 1u);
    EXPECT_EQ(logged("还原失败").at(0), "⚠️ 还原失败 Notes #11，保留记录以便下次再试");

    refuseMoves(false);
    tick(2);
    EXPECT_FALSE(isParked());
    EXPECT_EQ(frameOf(source), home);

    // A new failure after a success is a new condition.
    tick(5);
    parkThenUncover(22);
    refuseMoves(true);
    tick(4);
    EXPECT_EQ(logged("还原失败").size(), 2u);
}

TEST_F(RestoreTest, AnApplicationThatSettlesLateStillComesBackAtTheFirstAttempt)
{
    parkThenUncover();
    sim::AppBehavior slow;
    slow.settleDelay = 0.3;
    world().setBehavior(notes, slow);
    tick(2);
    EXPECT_FALSE(isParked());
    EXPECT_EQ(frameOf(source), home);
    EXPECT_EQ(logged("已还原").at(0), "已还原 Notes #11 → (80,80 700x500)，2s 内不再停放它");
}

TEST_F(RestoreTest, OfTwoWindowsAtTheSameFrameTheWrongOneStaysVisibleAndTheSecondCandidateHits)
{
    parkThenUncover();
    const core::Rect parkedFrame = frameOf(source);
    addWindow(notes, 12, parkedFrame, "Twin");  // in front: the first candidate
    tick(2);
    EXPECT_EQ(frameOf(source), home);
    // Not put back onto the virtual display, where nobody would see it.
    EXPECT_EQ(frameOf(12), home);
    EXPECT_EQ(logged("还原时第").at(0), "还原时第 2 个候选命中");
}

TEST_F(RestoreTest, AWindowWhoseDisplayWentWhileParkedComesBackOnTheNearestRealDisplay)
{
    desktop::DisplayInfo side;
    side.id = 2;
    side.frame = core::Rect(1512, 0, 1920, 1080);
    side.visibleFrame = side.frame;
    side.mode = {1920, 1080, 3840, 2160, 60};
    world().addDisplay(side);
    world().setFrame(source, core::Rect(1600, 100, 700, 500));
    cover(21, core::Rect(1580, 80, 740, 540));
    ASSERT_EQ(park(), Outcome::parked);
    world().removeWindow(21);
    world().removeDisplay(2);

    tick(2);
    EXPECT_FALSE(isParked());
    // 8 pt inside the right edge of the remaining display; y already fits.
    EXPECT_EQ(frameOf(source), core::Rect(804, 100, 700, 500));
    EXPECT_EQ(logged("已还原").at(0), "已还原 Notes #11 → (804,100 700x500)，2s 内不再停放它");
}

TEST_F(RestoreTest, AStrayedWindowIsMovedHomeOnlyWhenNoRealDisplayShowsIt)
{
    strayTo(core::Rect(500, 400, 700, 500));
    parking().restoreAsync(source);  // the mini window closes
    clock().runUntilIdle();
    EXPECT_FALSE(isStrayed());
    EXPECT_EQ(frameOf(source), core::Rect(500, 400, 700, 500));
    EXPECT_EQ(logged("放弃还原").at(0),
              "放弃还原：窗口 #11 已不在虚拟屏、但在物理屏上看得到（用户/系统已接管），只丢弃记录");
}

TEST_F(RestoreTest, AStrayedWindowOutOfSightIsMovedHomeAndAFailureThereIsLoggedOnce)
{
    strayTo(core::Rect(500, 400, 700, 500));
    world().setFrame(source, core::Rect(4000, 3000, 700, 500));  // on no display at all
    refuseMoves(true);
    for (int i = 0; i < 3; ++i) parking().restoreAsync(source);
    clock().runUntilIdle();
    EXPECT_TRUE(isStrayed());
    EXPECT_EQ(
        logged("⚠️ 还原失败（离开虚拟屏的记录）窗口 #11，保留记录以便下次再试").size(),
        1u);

    refuseMoves(false);
    parking().restoreAsync(source);
    clock().runUntilIdle();
    EXPECT_FALSE(isStrayed());
    EXPECT_EQ(frameOf(source), home);
    EXPECT_EQ(
        logged("救回看不见的窗口").back(),
        "救回看不见的窗口 #11：它既不在虚拟屏、也不在任何物理屏上（(4000,3000 700x500)）⇒ 还原到 (80,80 700x500)");
    EXPECT_EQ(logged("已还原（离开虚拟屏的记录）").at(0), "已还原（离开虚拟屏的记录）窗口 #11 → (80,80 700x500)");
}

TEST_F(RestoreTest, AStrayedWindowOnALingeringZombieDisplayIsOutOfSightAndMovedHome)
{
    strayTo(core::Rect(500, 400, 700, 500));
    const desktop::DisplayID first = displayController().liveDisplayIDs().at(0);
    const core::Rect zombieFrame = desktop::displays().display(first)->frame;
    zombifySourceDisplay(12, core::Rect(900, 300, 400, 300));
    world().setFrame(source, core::Rect(zombieFrame.minX() + 100, zombieFrame.minY() + 100, 700, 500));

    parking().restoreAsync(source);
    clock().runUntilIdle();
    EXPECT_FALSE(isStrayed());
    EXPECT_EQ(frameOf(source), home);
    EXPECT_EQ(logged("救回看不见的窗口").size(), 1u);
}

// An application that places windows a few points off where they are asked to go.
class OffTargetRestoreTest : public RestoreTest {
protected:
    void shiftMoves(double dx)
    {
        sim::AppBehavior shifting;
        shifting.shiftMoves = core::Point{dx, 0};
        world().setBehavior(notes, shifting);
    }
    std::size_t positionWrites()
    {
        std::size_t writes = 0;
        for (const auto& entry : journalOf("ax.set"))
            if (entry["window"] == source && entry["attribute"] == desktop::ax::position) ++writes;
        return writes;
    }
};

TEST_F(OffTargetRestoreTest, ALandingOnARealDisplayIsARestoreWithItsOffsetAndIsNotChased)
{
    for (const double dx : {1.0, 3.0}) {
        SCOPED_TRACE(dx);
        clearLog();
        parkThenUncover();
        shiftMoves(dx);
        const std::size_t writesBefore = positionWrites();
        tick(2);
        EXPECT_FALSE(isParked());
        EXPECT_FALSE(isStrayed());
        EXPECT_EQ(frameOf(source), core::Rect(80 + dx, 80, 700, 500));
        EXPECT_EQ(positionWrites(), writesBefore + 1) << "one move, no put-back, no retry";
        const std::string offset =
            "还原落点偏离原位 (" + std::to_string(static_cast<int>(dx)) + ",0)：窗口 #11 已在物理屏上 ⇒ 不再追原位";
        EXPECT_EQ(logged("已还原"), (std::vector<std::string>{"已还原 Notes #11 → (80,80 700x500)，2s 内不再停放它"}));
        EXPECT_EQ(logged("还原落点偏离原位"), std::vector<std::string>{offset});
        EXPECT_TRUE(logged("还原失败").empty());

        // Back home for the next landing; the cool-down has to pass before a new park.
        shiftMoves(0);
        world().setFrame(source, home);
        tick(3);
    }
}

TEST_F(OffTargetRestoreTest, AnExplicitFocusAndQuitBringBackAWindowThatLandsOffTarget)
{
    cover(21);
    ASSERT_EQ(park(), Outcome::parked);
    shiftMoves(3);
    EXPECT_TRUE(onQueue([&] { return parking().bringBackForUser(source); }));
    EXPECT_EQ(frameOf(source), core::Rect(83, 80, 700, 500));

    tick(3);
    world().setFrame(source, home);
    ASSERT_EQ(park(), Outcome::parked);
    parking().restoreAllBlocking(3.0);
    EXPECT_FALSE(isParked());
    EXPECT_EQ(frameOf(source), core::Rect(83, 80, 700, 500));
}

TEST_F(OffTargetRestoreTest, AStrayedWindowOutOfSightThatLandsOffTargetIsBack)
{
    strayTo(core::Rect(500, 400, 700, 500));
    world().setFrame(source, core::Rect(4000, 3000, 700, 500));
    shiftMoves(3);
    parking().restoreAsync(source);
    clock().runUntilIdle();
    EXPECT_FALSE(isStrayed());
    EXPECT_EQ(frameOf(source), core::Rect(83, 80, 700, 500));
    EXPECT_EQ(logged("已还原（离开虚拟屏的记录）").size(), 1u);
    EXPECT_EQ(logged("还原落点偏离原位").size(), 1u);
}

}  // namespace
