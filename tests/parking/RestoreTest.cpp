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

TEST_F(RestoreTest, OfTwoWindowsAtTheSameFrameTheWrongOneIsPutBackAndTheSecondCandidateHits)
{
    parkThenUncover();
    const core::Rect parkedFrame = frameOf(source);
    addWindow(notes, 12, parkedFrame, "Twin");  // in front: the first candidate
    tick(2);
    EXPECT_EQ(frameOf(source), home);
    EXPECT_EQ(frameOf(12), parkedFrame);
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
    EXPECT_EQ(logged("⚠️ 还原失败（离开虚拟屏的记录）窗口 #11，保留记录以便下次再试").size(), 1u);

    refuseMoves(false);
    parking().restoreAsync(source);
    clock().runUntilIdle();
    EXPECT_FALSE(isStrayed());
    EXPECT_EQ(frameOf(source), home);
    EXPECT_EQ(logged("救回看不见的窗口").back(),
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

TEST_F(RestoreTest, ALandingOnePointOffIsAFailedRestoreAndTheNextTickKeepsTheWindowAsStrayed)
{
    parkThenUncover();
    sim::AppBehavior shifting;
    shifting.shiftMoves = core::Point{1, 0};
    world().setBehavior(notes, shifting);
    tick(2);
    EXPECT_TRUE(isParked());
    EXPECT_EQ(frameOf(source), core::Rect(81, 80, 700, 500));
    EXPECT_EQ(logged("还原失败").size(), 1u);
    tick();
    EXPECT_TRUE(isStrayed());
    EXPECT_EQ(frameOf(source), core::Rect(81, 80, 700, 500));
}

}  // namespace
