#include "ParkedWorld.h"

namespace {

using Outcome = ParkingService::RescueOutcome;

class RestoreWatchTest : public testsupport::ParkedWorldTest {};

TEST_F(RestoreWatchTest, TwoClearTicksInARowBringTheWindowHomeAndAnInterruptedRunStartsAgain)
{
    cover(21);
    ASSERT_EQ(park(), Outcome::parked);
    EXPECT_EQ(logged("还原看守已启动（1s 心跳）").size(), 1u);
    EXPECT_NE(frameOf(source), home);

    world().removeWindow(21);
    tick();  // clear 1
    cover(22);
    tick();  // covered: the run breaks
    world().removeWindow(22);
    tick();  // clear 1 again
    EXPECT_TRUE(isParked());
    EXPECT_TRUE(logged("还原条件满足").empty());

    tick();  // clear 2
    EXPECT_FALSE(isParked());
    EXPECT_EQ(frameOf(source), home);
    EXPECT_EQ(logged("还原条件满足").at(0),
              "还原条件满足：窗口 #11（Notes）原位 (80,80 700x500)已连续 2 跳（≈2s）不被任何窗口盖住");
    EXPECT_EQ(logged("已还原").at(0), "已还原 Notes #11 → (80,80 700x500)，2s 内不再停放它");

    // The first tick with nothing parked stops the watcher; the next park starts it again.
    tick();
    EXPECT_EQ(logged("还原看守已停止（没有停放中的窗口）").size(), 1u);
    EXPECT_FALSE(onQueue([&] { return parking().restoreWatchRunning(); }));
    tick(3);
    cover(23);
    ASSERT_EQ(park(), Outcome::parked);
    EXPECT_EQ(logged("还原看守已启动（1s 心跳）").size(), 2u);
}

TEST_F(RestoreWatchTest, TwoFutileRestoresRaiseTheThresholdToEightClearTicksAndAreLoggedOnce)
{
    const auto bounce = [&](desktop::WindowID coverID) {
        parkThenUncover(coverID);
        tick(2);
        ASSERT_FALSE(isParked());
        tick(18);  // parked again 18 s after the give-back
    };
    bounce(21);
    bounce(22);  // futile 1
    EXPECT_TRUE(logged("来回摆探测").empty());
    parkThenUncover(23);  // futile 2
    EXPECT_EQ(logged("来回摆探测").at(0),
              "⚠️ 来回摆探测：窗口 #11 已连续 2 次「刚还原就又被遮挡」（每次都在 30s 内）⇒ "
              "上次还原是**白还**的。"
              "此后还原门槛抬到「原位连续 8 跳（≈8s）不被盖住」（免得每 2~7 秒把原应用弹出来一次）。"
              "遮挡者真的走了、或用户回到源应用，仍会正常还原。");

    tick(7);
    EXPECT_TRUE(isParked());
    tick();
    EXPECT_FALSE(isParked());
    EXPECT_EQ(logged("还原条件满足").back(),
              "还原条件满足：窗口 #11（Notes）原位 (80,80 700x500)已连续 8 跳（≈8s）不被任何窗口盖住"
              "（⚠️ 已白还 2 次 ⇒ 门槛已抬高到 8 跳）");

    tick(20);
    parkThenUncover(24);  // futile 3: counted, not logged again
    EXPECT_EQ(logged("来回摆探测").size(), 1u);
    tick(2);
    EXPECT_TRUE(isParked());
}

TEST_F(RestoreWatchTest, AnExplicitGiveBackOrALateReparkIsNoFutileRestore)
{
    parkThenUncover(21);
    tick(2);
    tick(31);
    parkThenUncover(22);  // 31 s after the give-back: not futile
    tick(2);
    tick(18);
    parkThenUncover(23);  // futile 1
    ASSERT_TRUE(onQueue([&] { return parking().bringBackForUser(source); }));
    tick(5);
    parkThenUncover(24);  // 5 s after an explicit give-back
    EXPECT_EQ(logged("白还记账跳过").at(0),
              "白还记账跳过：窗口 #11 上一次还原是**用户明确要求**的（双击小窗 / 工具栏 / ⌘` 轮到它）"
              "⇒ 不计入白还，自动还原门槛不受它影响");
    tick(2);  // still two clear ticks: the count stayed at 1
    EXPECT_FALSE(isParked());
    EXPECT_TRUE(logged("来回摆探测").empty());
}

TEST_F(RestoreWatchTest, ASiblingOverThePlaceHoldsTheWindowAndIsLoggedOncePerHold)
{
    cover(21);
    ASSERT_EQ(park(), Outcome::parked);
    world().removeWindow(21);
    // A window of Notes itself over the place, behind the parked window in the stack (a
    // move across displays can raise the moved window).
    addWindow(notes, 12, home.insetBy(-10, -10), "Sibling");
    world().raise(source);

    tick(3);
    const std::string holdLine =
        "还原看守：窗口 #11（Notes）原位 (80,80 700x500)仍被**它自己应用里的其它窗口**盖着（Notes(pid 200) "
        "720x520@(70,70)）⇒ 继续停放（跨屏搬动把源窗口抬到了兄弟窗口之前，此时按「谁排在前面」判会误答没被盖住）";
    EXPECT_EQ(logged("还原看守：").size(), 1u);
    EXPECT_EQ(logged("还原看守：").at(0), holdLine);
    EXPECT_TRUE(isParked());

    // Another application's cover in front does not end the hold.
    cover(22);
    world().raise(22);
    tick();
    world().removeWindow(22);
    tick();
    EXPECT_EQ(logged("还原看守：").size(), 1u);

    // A clear tick ends it; a new hold is logged again.
    const core::Rect siblingFrame = frameOf(12);
    world().setFrame(12, core::Rect(900, 300, 300, 200));
    tick();
    world().setFrame(12, siblingFrame);
    tick();
    EXPECT_EQ(logged("还原看守：").size(), 2u);
    EXPECT_TRUE(isParked());
}

TEST_F(RestoreWatchTest, OwnWindowsCoverThePlaceAsTheyDoForThePark)
{
    cover(21);
    ASSERT_EQ(park(), Outcome::parked);
    world().removeWindow(21);
    const desktop::WindowID own = addOwnWindow(home.insetBy(-20, -20));

    tick(4);
    EXPECT_TRUE(isParked());
    world().removeWindow(own);
    tick(2);
    EXPECT_FALSE(isParked());
}

TEST_F(RestoreWatchTest, AWindowDraggedOffTheVirtualDisplayIsKeptAsStrayedAndAClosedOneIsDropped)
{
    cover(21);
    addWindow(notes, 12, core::Rect(300, 300, 400, 300), "Second");
    cover(22, core::Rect(290, 290, 420, 320));
    ASSERT_EQ(park(source), Outcome::parked);
    ASSERT_EQ(park(12), Outcome::parked);

    world().setFrame(source, core::Rect(500, 400, 700, 500));  // the user drags it back
    world().removeWindow(12);
    tick();
    EXPECT_TRUE(isStrayed());
    EXPECT_EQ(frameOf(source), core::Rect(500, 400, 700, 500));
    EXPECT_EQ(logged("停放记录改为待用").at(0),
              "停放记录改为待用：窗口 #11（Notes）已不在虚拟屏 ⇒ 不再看守，但留住真正的原位 (80,80 700x500)"
              "（关小窗/⌘Tab/固定预览接管都会用它）");
    EXPECT_EQ(logged("停放记录清理").at(0), "停放记录清理：窗口 #12（Notes）已不存在（被关掉/应用退出）");
    // Handed back as far as the park's cool-down is concerned.
    cover(23, core::Rect(480, 380, 740, 540));
    EXPECT_EQ(park(), Outcome::inCooldown);
}

TEST_F(RestoreWatchTest, AWindowOnALingeringZombieDisplayIsStillWatchedAndComesHome)
{
    cover(21);
    ASSERT_EQ(park(), Outcome::parked);
    const core::Rect parkedFrame = frameOf(source);
    zombifySourceDisplay(12, core::Rect(900, 300, 400, 300));

    tick(3);
    EXPECT_TRUE(isParked());  // out of sight there: not strayed
    EXPECT_EQ(frameOf(source), parkedFrame);
    world().removeWindow(21);
    tick(2);
    EXPECT_FALSE(isParked());
    EXPECT_EQ(frameOf(source), home);
}

}  // namespace
