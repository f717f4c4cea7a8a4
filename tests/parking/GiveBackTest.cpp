#include "ParkedWorld.h"

#include "platform/desktop/Accessibility.h"

namespace {

using Outcome = ParkingService::RescueOutcome;

class GiveBackTest : public testsupport::ParkedWorldTest {
protected:
    static constexpr desktop::WindowID second = 12;
    inline static const core::Rect secondHome{900, 300, 400, 300};

    // Parks the source (its cover 21 stays) and a second window of Notes whose place
    // is clear afterwards.
    void parkTwo()
    {
        cover(21);
        addWindow(notes, second, secondHome, "Second");
        cover(22, secondHome.insetBy(-10, -10));
        ASSERT_EQ(park(source), Outcome::parked);
        ASSERT_EQ(park(second), Outcome::parked);
        world().removeWindow(22);
        clearLog();
    }

    void activated(desktop::Pid pid, std::optional<desktop::Pid> frontmost)
    {
        parking().restoreForActivatedApp(pid, frontmost);
        clock().runUntilIdle();
    }
};

TEST_F(GiveBackTest, AnActivationNoLongerFrontmostIsSpuriousAndGivesNothingBack)
{
    parkTwo();
    activated(notes, coverApp);
    activated(notes, std::nullopt);
    activated(coverApp, coverApp);  // nothing of it is parked: silent
    EXPECT_TRUE(isParked(source));
    EXPECT_TRUE(isParked(second));
    const auto lines = logged();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "激活通知来自 Notes（pid 200），但当时最前台是 pid 300 ⇒ 判为**伪通知**，不交还（继续停放它）");
    EXPECT_EQ(lines[1], "激活通知来自 Notes（pid 200），但当时最前台是 未知 ⇒ 判为**伪通知**，不交还（继续停放它）");
}

TEST_F(GiveBackTest, AnActivationHoldsCoveredPlacesAndGivesBackTheClearOnesInOneLook)
{
    parkTwo();
    activated(notes, notes);
    EXPECT_TRUE(isParked(source));
    EXPECT_FALSE(isParked(second));
    EXPECT_EQ(frameOf(second), secondHome);
    const auto lines = logged();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0],
              "源应用被激活（pid 200，已确认在最前台），但原位还被盖着 ⇒ **暂不交还** "
              "#11（Notes，原位仍被 Cover(pid 300) 740x540@(60,60) 盖着）"
              "（还回去用户也看不见，下一跳又会再停一次；遮挡者一走就自动还原）");
    EXPECT_EQ(lines[1], "源应用被激活（pid 200，已确认在最前台）⇒ 交还它 1 个被停放的窗口");
    EXPECT_EQ(lines[2], "已还原 Notes #12 → (900,300 400x300)，2s 内不再停放它");
}

TEST_F(GiveBackTest, AnOwnWindowOverThePlaceHoldsTheWindowOnActivation)
{
    parkTwo();
    addOwnWindow(secondHome.insetBy(-20, -20));

    activated(notes, notes);
    EXPECT_TRUE(isParked(second));
    EXPECT_TRUE(logged("交还它").empty());
}

TEST_F(GiveBackTest, AStrayedWindowOfTheActivatedApplicationComesBackWithoutACoverTest)
{
    cover(21);
    ASSERT_EQ(park(), Outcome::parked);
    world().setFrame(source, core::Rect(500, 400, 700, 500));
    tick();
    ASSERT_TRUE(isStrayed());
    world().setFrame(source, core::Rect(4000, 3000, 700, 500));  // out of sight
    clearLog();

    activated(notes, notes);  // its place is still under the cover
    EXPECT_FALSE(isStrayed());
    EXPECT_EQ(frameOf(source), home);
    EXPECT_EQ(logged().at(0), "源应用被激活（pid 200，已确认在最前台）⇒ 交还它 1 个被停放的窗口");
}

TEST_F(GiveBackTest, TheUserBringsBackCoveredWindowsButNeverLentOnes)
{
    parkTwo();
    EXPECT_TRUE(onQueue([&] { return parking().bringBackForUser(source); }));  // covered, moved anyway
    EXPECT_EQ(frameOf(source), home);
    EXPECT_EQ(logged("用户要求打开原应用").at(0),
              "用户要求打开原应用（显式动作 ⇒ 越过「原位还被盖着就暂不交还」那道闸门）已把 #11 从虚拟屏搬回原位");

    ASSERT_TRUE(onQueue([&] { return parking().takeOver(second); }));
    const core::Rect lentFrame = frameOf(second);
    EXPECT_FALSE(onQueue([&] { return parking().bringBackForUser(second); }));
    EXPECT_EQ(frameOf(second), lentFrame);
    EXPECT_TRUE(isLent(second));
    EXPECT_EQ(logged("用户要求打开 #12").at(0), "用户要求打开 #12：它正被固定预览接管借走（本就在物理屏上）⇒ 不动它");

    // A window with no record that stands on a real display needs no rescue.
    addWindow(coverApp, 31, core::Rect(200, 200, 400, 300), "Plain");
    EXPECT_TRUE(onQueue([&] { return parking().bringBackForUser(31); }));
    EXPECT_EQ(frameOf(31), core::Rect(200, 200, 400, 300));
}

TEST_F(GiveBackTest, AUserRequestWhoseMoveFailsReportsFalse)
{
    parkTwo();
    sim::AppBehavior refusing;
    refusing.refuseMoves = desktop::ax::cannotComplete;
    world().setBehavior(notes, refusing);
    EXPECT_FALSE(onQueue([&] { return parking().bringBackForUser(source); }));
    EXPECT_TRUE(isParked(source));
    EXPECT_EQ(logged("搬回失败").at(0),
              "用户要求打开原应用（显式动作 ⇒ 越过「原位还被盖着就暂不交还」那道闸门）⚠️ 搬回失败 "
              "#11，它可能仍停在虚拟屏上");
}

TEST_F(GiveBackTest, QuitPutsBackParkedAndStrayedWindowsAndLeavesLentOnes)
{
    parking().restoreAllBlocking(3.0);  // nothing to do: no line
    EXPECT_TRUE(logged().empty());

    parkTwo();
    addWindow(notes, 13, core::Rect(300, 600, 300, 200), "Third");
    cover(23, core::Rect(290, 590, 320, 220));
    ASSERT_EQ(park(13), Outcome::parked);
    ASSERT_TRUE(onQueue([&] { return parking().takeOver(13); }));
    const core::Rect lentFrame = frameOf(13);

    parking().restoreAllBlocking(3.0);
    EXPECT_EQ(frameOf(source), home);  // covered, but quit puts it back
    EXPECT_EQ(frameOf(second), secondHome);
    EXPECT_EQ(frameOf(13), lentFrame);
    EXPECT_TRUE(isLent(13));
    EXPECT_TRUE(logged("退出还原").empty());
}

TEST_F(GiveBackTest, AQuitWhoseRestoresOutlastTheTimeOutStopsWaitingAfterItAndTheRestoresGoOn)
{
    parkTwo();
    sim::AppBehavior hanging;
    hanging.hang = 1.0;  // every accessibility call: several seconds per restore
    world().setBehavior(notes, hanging);

    const double started = dispatch::now();
    parking().restoreAllBlocking(3.0);
    EXPECT_EQ(logged("退出还原").at(0), "退出还原：等待超时（3s）⇒ 放弃等待（进程退出时系统会收走虚拟屏）");
    clock().runUntilIdle();
    EXPECT_EQ(frameOf(source), home);
    EXPECT_EQ(frameOf(second), secondHome);
    EXPECT_GT(dispatch::now() - started, 3.0);
}

}  // namespace
