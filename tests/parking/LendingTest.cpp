#include "ParkedWorld.h"

#include "parking/ledger/WindowList.h"
#include "platform/desktop/Desktop.h"

namespace {

using Outcome = ParkingService::RescueOutcome;

class LendingTest : public testsupport::ParkedWorldTest {
protected:
    std::optional<core::Rect> takeOver(desktop::WindowID id = source)
    {
        return onQueue([&] { return parking().takeOver(id); });
    }
    void giveBack()
    {
        onQueue([&] { parking().giveBack(source); });
    }
    bool borrowed()
    {
        return onQueue([&] { return parking().isBorrowedByPinnedPreview(source); });
    }
};

TEST_F(LendingTest, ARecordMovesBetweenParkedStrayedAndLentAsTheTakeoverGoes)
{
    cover(21);
    ASSERT_EQ(park(), Outcome::parked);
    const core::Rect parkedFrame = frameOf(source);
    const auto virtualDisplay = desktop::displays().display(displayController().liveDisplayIDs().at(0));
    ASSERT_TRUE(virtualDisplay);
    EXPECT_EQ(takeOver(12), std::nullopt);  // nothing recorded

    // parked -> lent: the place before parking, never the frame on the virtual display
    EXPECT_EQ(takeOver(), home);
    EXPECT_TRUE(isLent());
    EXPECT_TRUE(borrowed());
    EXPECT_EQ(logged("固定预览接管：借出").at(0),
              "固定预览接管：借出窗口 #11（Notes）⇒ 真正的原位 (80,80 700x500)（它此刻停在虚拟屏 " +
                  parking::windowlist::rectDesc(virtualDisplay->frame) + " 上，绝不能拿当前 frame 当原位）");
    EXPECT_EQ(logged("还原看守已停止").size(), 1u);
    EXPECT_EQ(takeOver(), std::nullopt);  // already lent
    tick(3);                              // the watcher does not see it
    EXPECT_EQ(frameOf(source), parkedFrame);

    // lent -> parked: the takeover could not move it
    giveBack();
    EXPECT_TRUE(isParked());
    EXPECT_TRUE(onQueue([&] { return parking().restoreWatchRunning(); }));
    EXPECT_EQ(logged("固定预览接管放弃").at(0), "固定预览接管放弃：窗口 #11（Notes）仍在虚拟屏上，看守恢复");

    // lent -> strayed: it stands on a real display when the takeover gives up
    ASSERT_EQ(takeOver(), home);
    world().setFrame(source, core::Rect(300, 300, 700, 500));
    giveBack();
    EXPECT_TRUE(isStrayed());
    EXPECT_EQ(logged("固定预览接管放弃").at(1),
              "固定预览接管放弃：窗口 #11（Notes）已不在虚拟屏 ⇒ 只留真正原位 (80,80 700x500)");

    // strayed -> lent -> no record; the takeover's put-back starts no cool-down
    EXPECT_EQ(takeOver(), home);
    EXPECT_EQ(logged("沿用留存").at(0),
              "固定预览接管：借出窗口 #11 ⇒ 沿用留存的真正原位 (80,80 700x500)（它已不在虚拟屏）");
    world().setFrame(source, home);
    onQueue([&] { parking().releaseTakeover(source); });
    EXPECT_FALSE(isLent());
    EXPECT_FALSE(isStrayed());
    EXPECT_EQ(logged("固定预览接管结束").at(0), "固定预览接管结束：丢弃借出记录 #11（Notes，已还原到真正的原位）");
    EXPECT_EQ(park(), Outcome::parked);
}

TEST_F(LendingTest, ALoanAgesFromTheLendingNotFromThePark)
{
    cover(21);
    ASSERT_EQ(park(), Outcome::parked);
    tick(700);  // parked, covered all along
    ASSERT_TRUE(isParked());

    ASSERT_EQ(takeOver(), home);
    EXPECT_TRUE(borrowed());
    tick(600);
    EXPECT_EQ(takeOver(12), std::nullopt);  // prunes
    EXPECT_TRUE(isLent());
    EXPECT_TRUE(borrowed());

    tick();
    EXPECT_FALSE(borrowed());
    EXPECT_EQ(takeOver(12), std::nullopt);
    EXPECT_FALSE(isLent());
}

TEST_F(LendingTest, AGiveBackOntoALingeringZombieKeepsTheWindowWatched)
{
    cover(21);
    ASSERT_EQ(park(), Outcome::parked);
    ASSERT_EQ(takeOver(), home);
    zombifySourceDisplay(12, core::Rect(900, 300, 400, 300));
    giveBack();
    EXPECT_TRUE(isParked());  // out of sight there, not strayed
}

}  // namespace
