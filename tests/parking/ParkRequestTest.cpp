#include "parking/ledger/ParkingController.h"
#include "parking/ledger/WindowList.h"

#include "ParkedWorld.h"
#include "platform/defaults/Defaults.h"
#include "platform/sim/SimWindowServer.h"

namespace {

using parking::ParkingController;
namespace windowlist = parking::windowlist;
using Outcome = ParkingController::RescueOutcome;

constexpr desktop::WindowID coverWindow = 21;

// Notes' window over which the tests lay covers; the self-test runs afresh in each.
class ParkRequestTest : public testsupport::ParkedWorldTest {
protected:
    void SetUp() override
    {
        ParkedWorldTest::SetUp();
        ParkingController::onScreenQueryVerified = false;
        ParkingController::onScreenOnlyCoversVirtual = true;
    }

    void coverScreen(const core::Rect& frame = core::Rect(0, 25, 1512, 957)) { cover(coverWindow, frame); }
    std::map<desktop::WindowID, parking::Parked> parked()
    {
        return onQueue([&] { return parking().parkedRecords(); });
    }
    desktop::DisplayID virtualDisplay()
    {
        const auto live = displayController().liveDisplayIDs();
        return live.empty() ? 0 : live.front();
    }
    std::string virtualText() { return std::to_string(virtualDisplay()); }
    void omitVirtualFromOnScreenList()
    {
        auto& server = dynamic_cast<sim::SimWindowServer&>(desktop::windowServer());
        sim::SimWindowServer::Switches switches;
        switches.omitVirtualFromOnScreen = true;
        server.setSwitches(switches);
    }

    // The first slot on the virtual display of the 1512 x 982 screen (1552 x 1022 at its
    // bottom-right corner).
    const core::Point firstSlot{1528, 1012};
};

TEST_F(ParkRequestTest, ACoveredWindowIsParkedOnTheVirtualDisplayOfItsScreenAndRecorded)
{
    coverScreen();

    EXPECT_EQ(park(source), Outcome::parked);

    ASSERT_NE(virtualDisplay(), 0u);
    EXPECT_EQ(frameOf(source), core::Rect(firstSlot.x, firstSlot.y, 700, 500));
    const auto records = parked();
    ASSERT_EQ(records.size(), 1u);
    const auto& record = records.at(source);
    EXPECT_EQ(record.pid, notes);
    EXPECT_EQ(record.ownerName, "Notes");
    EXPECT_EQ(record.originalFrame, home);
    EXPECT_EQ(record.originalDisplayID, 1u);
    EXPECT_EQ(record.virtualDisplayID, virtualDisplay());
    EXPECT_EQ(record.savedAt, dispatch::now());
    EXPECT_EQ(record.lentAt, record.savedAt);
    EXPECT_EQ(parking().parkedCountSnapshot(), 1);
    EXPECT_TRUE(parking().restoreWatchRunning());
    EXPECT_TRUE(parking().foreignWatchRunning());

    EXPECT_EQ(logged("遮挡自救：Notes"),
              (std::vector<std::string>{"遮挡自救：Notes #11 被 Cover(pid 300) 1512x957@(0,25) 完全遮挡，搬到虚拟屏"}));
    EXPECT_EQ(logged("已停放 Notes"), (std::vector<std::string>{"已停放 Notes #11  (80,80 700x500) → 原点(1528,1012)"
                                                                "  屏 #1 → #" +
                                                                virtualText()}));
    EXPECT_EQ(logged("在屏表自检"), (std::vector<std::string>{"在屏表自检：刚停放的 #11 **在** [.optionOnScreenOnly] 里"
                                                              " ⇒ 外来窗口侦测用它（2.3~4.2ms/次）"}));
    EXPECT_TRUE(ParkingController::onScreenOnlyCoversVirtual);
}

TEST_F(ParkRequestTest, OneOfOurOwnNormalLevelWindowsCountsAsACover)
{
    desktop::OwnWindowState settings;
    settings.title = "Settings";
    settings.frame = home.insetBy(-20, -20);
    settings.visible = true;
    const auto own = desktop::windowServer().registerOwnWindow(settings, {}, {});

    EXPECT_EQ(park(), Outcome::parked);
    EXPECT_EQ(logged("完全遮挡").size(), 1u);
    desktop::windowServer().unregisterOwnWindow(own);
}

TEST_F(ParkRequestTest, EachDeclineSaysWhyAndParksNothing)
{
    // Nothing in front of it.
    EXPECT_EQ(park(source), Outcome::failed);
    EXPECT_EQ(lines_, (std::vector<std::string>{"遮挡自救：窗口 #11 此刻已不再被完全遮挡，放弃（不动它）"}));

    coverScreen();
    defaults::Defaults::standard().set("virtualDisplayPark", false);
    clearLog();
    EXPECT_EQ(park(source), Outcome::failed);
    EXPECT_EQ(lines_, (std::vector<std::string>{"遮挡自救：功能未开启（用户已关闭 virtualDisplayPark）"}));
    defaults::Defaults::standard().set("virtualDisplayPark", true);

    // A window already on a virtual display, but never parked.
    onQueue([&] { ASSERT_TRUE(displayController().ensureDisplay(1)); });
    addApp(400, "Stray");
    addWindow(400, 31, core::Rect(1600, 1100, 400, 300));
    addWindow(coverApp, 32, core::Rect(1590, 1090, 500, 400));
    clearLog();
    EXPECT_EQ(park(31), Outcome::failed);
    EXPECT_EQ(lines_, (std::vector<std::string>{"遮挡自救：窗口 #31 已经在虚拟屏上，放弃"}));

    EXPECT_TRUE(parked().empty());
    EXPECT_EQ(frameOf(source), home);
}

TEST_F(ParkRequestTest, AWindowGivenBackLessThanTwoSecondsAgoIsInCooldown)
{
    parkThenUncover();
    while (isParked()) tick();  // the restore watcher gives it back on a tick
    const double restoredAt = dispatch::now();
    ASSERT_EQ(frameOf(source), home);
    cover(22);
    clearLog();

    clock().advance(1.5);
    EXPECT_EQ(park(), Outcome::inCooldown);
    EXPECT_EQ(logged("遮挡自救"),
              (std::vector<std::string>{"遮挡自救：窗口 #11 刚还原 1s，冷却中（2s）不再停（不消耗调用方额度）"}));
    EXPECT_EQ(frameOf(source), home);

    clock().advanceTo(restoredAt + 2.0);
    EXPECT_EQ(park(), Outcome::parked);
}

TEST_F(ParkRequestTest, AWindowLentToThePinnedPreviewIsLeftAloneThoughCovered)
{
    coverScreen();
    ASSERT_EQ(park(), Outcome::parked);
    ASSERT_TRUE(onQueue([&] { return parking().takeOver(source); }));
    world().setFrame(source, home);  // the takeover shows it at its place, still covered
    clearLog();

    EXPECT_EQ(park(), Outcome::failed);
    EXPECT_EQ(lines_, (std::vector<std::string>{"遮挡自救：窗口 #11 正被固定预览接管经手，不动它"}));
    EXPECT_EQ(frameOf(source), home);
    EXPECT_TRUE(isLent());
}

TEST_F(ParkRequestTest, WithoutVirtualDisplaysTheRequestSaysTheSystemCannot)
{
    class NoVirtualDisplays : public desktop::VirtualDisplays {
    public:
        bool available() override { return false; }
        std::unique_ptr<desktop::VirtualDisplay> create(const desktop::VirtualDisplayDescriptor&) override
        {
            return nullptr;
        }
    };
    desktop().virtualDisplays = std::make_shared<NoVirtualDisplays>();
    coverScreen();

    EXPECT_EQ(park(source), Outcome::failed);
    EXPECT_EQ(lines_, (std::vector<std::string>{"遮挡自救：功能未开启（系统不支持私有类）"}));
}

TEST_F(ParkRequestTest, WhenNoVirtualDisplayCanBeMadeNothingIsParked)
{
    class BrokenVirtualDisplays : public desktop::VirtualDisplays {
    public:
        bool available() override { return true; }
        std::unique_ptr<desktop::VirtualDisplay> create(const desktop::VirtualDisplayDescriptor&) override
        {
            return nullptr;
        }
    };
    desktop().virtualDisplays = std::make_shared<BrokenVirtualDisplays>();
    coverScreen();

    EXPECT_EQ(park(source), Outcome::failed);
    EXPECT_EQ(lines_.back(), "虚拟屏不可用（源屏 #1），本次不停放");
    EXPECT_TRUE(parked().empty());
    EXPECT_FALSE(parking().foreignWatchRunning());
}

TEST_F(ParkRequestTest, AScreenTooSmallForAnySlotParksNothing)
{
    // A 300 x 200 screen gets a 340 x 240 virtual display: a window taller than 200 pt
    // keeps 240 pt, which no slot 30 pt below the top can hold.
    desktop::DisplayInfo small;
    small.id = 2;
    small.frame = core::Rect(1512, 0, 300, 200);
    small.visibleFrame = small.frame;
    small.mode = {300, 200, 600, 400, 60};
    world().addDisplay(small);
    world().setFrame(source, core::Rect(1512, 0, 300, 220));
    coverScreen(core::Rect(1500, -10, 330, 250));

    EXPECT_EQ(park(source), Outcome::failed);
    EXPECT_EQ(logged("停放失败"),
              (std::vector<std::string>{"窗口 11 停放失败：虚拟屏上 8 个落点都不行 ——"
                                        "要么它们都跟已停放窗口的矩形互相完全覆盖（接近满屏的窗口多了就会这样），"
                                        "要么这块虚拟屏挤不出落点（窗口比屏还大）"}));
    EXPECT_TRUE(parked().empty());
}

TEST_F(ParkRequestTest, TheNinthWindowIsRefusedAtTheCap)
{
    for (desktop::WindowID id = 1; id <= 9; ++id) addWindow(notes, id, core::Rect(10.0 * id, 40, 400, 300));
    coverScreen();

    // Windows of one size take the eight slots one after the other.
    for (desktop::WindowID id = 1; id <= 8; ++id) ASSERT_EQ(park(id), Outcome::parked) << id;
    EXPECT_EQ(park(9), Outcome::failed);
    EXPECT_EQ(lines_.back(), "已停放 8 个窗口，达上限 8，拒绝再停");
    EXPECT_EQ(parked().size(), 8u);
    EXPECT_EQ(frameOf(9), core::Rect(90, 40, 400, 300));
}

TEST_F(ParkRequestTest, AWindowWiderThanTheVirtualDisplayIsShrunkToFit)
{
    world().setFrame(source, core::Rect(0, 25, 1600, 900));
    coverScreen(core::Rect(-10, 0, 1700, 1000));

    EXPECT_EQ(park(source), Outcome::parked);
    EXPECT_EQ(frameOf(source), core::Rect(firstSlot.x, firstSlot.y, 1512, 900));
    EXPECT_EQ(logged("已停放 Notes"),
              (std::vector<std::string>{"已停放 Notes #11  (0,25 1600x900) → 原点(1528,1012) 且**缩到** 1512x900"
                                        "（窗口比虚拟屏还大，不缩会铺满）  屏 #1 → #" +
                                        virtualText()}));
    EXPECT_EQ(parked().at(source).originalFrame, core::Rect(0, 25, 1600, 900));
}

TEST_F(ParkRequestTest, ARefusedMoveParksNothing)
{
    sim::AppBehavior behavior;
    behavior.refuseMoves = desktop::ax::cannotComplete;
    world().setBehavior(notes, behavior);
    coverScreen();

    EXPECT_EQ(park(source), Outcome::failed);
    EXPECT_EQ(logged("停放失败"), (std::vector<std::string>{"窗口 11 停放失败（认不到对应的 AX 窗口 / "
                                                            "搬完不在目标屏内）：目标 (1528,1012 700x500)，"
                                                            "虚拟屏 (1512,982 1552x1022)"}));
    EXPECT_TRUE(parked().empty());
    EXPECT_TRUE(logged("在屏表自检").empty());
    // A display was made: windows a failed move may still carry there get looked after.
    EXPECT_TRUE(parking().foreignWatchRunning());
    EXPECT_FALSE(parking().restoreWatchRunning());
}

TEST_F(ParkRequestTest, AMoveThatLandsOutsideTheTargetButOnTheVirtualDisplayIsStillRecorded)
{
    // The window lands 900 pt right of its slot: past the display's edge, its centre on it.
    sim::AppBehavior behavior;
    behavior.shiftMoves = core::Point{900, 0};
    world().setBehavior(notes, behavior);
    coverScreen();

    EXPECT_EQ(park(source), Outcome::parked);
    EXPECT_EQ(frameOf(source), core::Rect(2428, 1012, 700, 500));
    const auto records = parked();
    ASSERT_EQ(records.count(source), 1u);
    EXPECT_EQ(records.at(source).originalFrame, home);
    EXPECT_EQ(records.at(source).virtualDisplayID, virtualDisplay());
    EXPECT_EQ(logged("已停放 Notes"), (std::vector<std::string>{"已停放 Notes #11  (80,80 700x500) → 原点(2428,1012)"
                                                                "  屏 #1 → #" +
                                                                virtualText()}));
    EXPECT_EQ(logged("在屏表自检").size(), 1u);
}

// An application whose moves settle after the mover's six read-backs.
class LateParkTest : public ParkRequestTest {
protected:
    void SetUp() override
    {
        ParkRequestTest::SetUp();
        sim::AppBehavior late;
        late.settleDelay = 0.6;
        world().setBehavior(notes, late);
        coverScreen();
    }
    bool pending()
    {
        return onQueue([&] { return parking().pendingParkRecords().contains(source); });
    }
};

TEST_F(LateParkTest, AWindowThatLandsAfterTheParkGaveUpIsFiledAsParkedAndComesHome)
{
    EXPECT_EQ(park(source), Outcome::failed);
    EXPECT_TRUE(parked().empty());
    EXPECT_TRUE(pending());
    EXPECT_TRUE(parking().foreignWatchRunning());

    clock().advance(1);
    EXPECT_EQ(frameOf(source).origin, firstSlot);
    const auto records = parked();
    ASSERT_EQ(records.count(source), 1u);
    EXPECT_EQ(records.at(source).originalFrame, home);
    EXPECT_EQ(records.at(source).virtualDisplayID, virtualDisplay());
    EXPECT_FALSE(pending());
    EXPECT_EQ(logged("照样记为已停放"),
              (std::vector<std::string>{"窗口 11 搬动没通过回读校验，但它已落在虚拟屏 #" + virtualText() +
                                        " 上 (1528,1012 700x500) ⇒ 照样记为已停放"}));
    EXPECT_TRUE(parking().restoreWatchRunning());

    // Still covered past the foreign watcher's five steady seconds: it is not rescued.
    clock().advance(8);
    EXPECT_TRUE(logged("外来窗口找回").empty());
    world().removeWindow(coverWindow);
    clock().advance(6);
    EXPECT_EQ(frameOf(source), home);
    EXPECT_TRUE(parked().empty());
}

TEST_F(LateParkTest, APendingParkIsDroppedAfterFiveSecondsWithOneLine)
{
    sim::AppBehavior never;
    never.settleDelay = 60;
    world().setBehavior(notes, never);
    EXPECT_EQ(park(source), Outcome::failed);
    clock().advance(4);
    EXPECT_TRUE(pending());
    clock().advance(2);
    EXPECT_FALSE(pending());
    clock().advance(5);
    EXPECT_EQ(logged("停放待定记录到期"),
              (std::vector<std::string>{"停放待定记录到期：窗口 #11 5s 内没落到虚拟屏 ⇒ 丢弃"}));
}

TEST_F(LateParkTest, AParkStillOnItsWayIsCalledBackByQuitOrAClosingMiniWindow)
{
    for (const bool quit : {true, false}) {
        SCOPED_TRACE(quit);
        EXPECT_EQ(park(source), Outcome::failed);
        if (quit) {
            parking().restoreAllBlocking(3.0);
        } else {
            parking().restoreAsync(source);
            clock().runUntilIdle();
        }
        EXPECT_FALSE(pending());
        clock().advance(2);
        EXPECT_EQ(frameOf(source), home);
        EXPECT_TRUE(parked().empty());
    }
}

TEST_F(ParkRequestTest, TheOnScreenSelfTestRunsOnceAndFallsBackWhenTheListLeavesParkedWindowsOut)
{
    addWindow(notes, 1, core::Rect(40, 40, 400, 300));
    addWindow(notes, 2, core::Rect(60, 60, 400, 300));
    coverScreen();
    omitVirtualFromOnScreenList();

    ASSERT_EQ(park(1), Outcome::parked);
    ASSERT_EQ(park(2), Outcome::parked);

    EXPECT_EQ(
        logged("在屏表自检"),
        (std::vector<std::string>{"⚠️ 在屏表自检**没过**：[.optionOnScreenOnly] 里没有刚停放的 #1"
                                  " ⇒ 外来窗口侦测退回 [.optionAll]（9.8~11.9ms/次）"}));
    EXPECT_FALSE(ParkingController::onScreenOnlyCoversVirtual);
    EXPECT_TRUE(ParkingController::onScreenQueryVerified);
}

// ---- the re-plot of a parked window covered on the virtual display ----

class ReplotTest : public ParkRequestTest {
protected:
    void SetUp() override
    {
        ParkRequestTest::SetUp();
        coverScreen();
        ASSERT_EQ(park(source), Outcome::parked);
        parkedAt = frameOf(source);
        clearLog();
    }
    void TearDown() override
    {
        if (follower) world().removeListener(follower);
        ParkRequestTest::TearDown();
    }

    // A window of another application lies over the parked one and, for the given number
    // of moves, follows it. (It overhangs by 10 pt: rounded corners that meet let the
    // window's corners show.)
    void coverOnVirtualDisplay(int follows)
    {
        addWindow(coverApp, 22, parkedAt.insetBy(-10, -10));
        follower = world().onWindowFrameChanged(
            [this, follows = std::make_shared<int>(follows)](desktop::WindowID id, desktop::Pid, const core::Rect&,
                                                             const core::Rect& to) {
                if (id != source || *follows == 0) return;
                --*follows;
                world().setFrame(22, to.insetBy(-10, -10));
            });
    }

    core::Rect parkedAt;
    sim::SimWorld::ListenerToken follower = 0;
};

TEST_F(ReplotTest, ACoveredParkedWindowMovesToTheNextFreeSlot)
{
    coverOnVirtualDisplay(0);

    EXPECT_EQ(park(source), Outcome::parked);
    // Slot 0 is taken by the cover and the window's own place: the top centre is next.
    EXPECT_EQ(frameOf(source), core::Rect(1944, 1012, 700, 500));
    EXPECT_EQ(lines_, (std::vector<std::string>{
                          "遮挡自救：窗口 #11（Notes）在虚拟屏上被 Cover(pid 300) 720x520@(1518,1002) 盖住 ⇒ "
                          "已换落点重排 (1528,1012 700x500) → (1944,1012 700x500)"
                          "（原来的落点只按槽位排，管不了后来谁盖住了它）"}));
    const auto record = parked().at(source);
    EXPECT_EQ(record.originalFrame, home);
}

TEST_F(ReplotTest, ACoverThatFollowsTheWindowIsTriedThreeTimesThenReportedAsFailure)
{
    coverOnVirtualDisplay(3);

    EXPECT_EQ(park(source), Outcome::failed);
    const auto stillCovered = logged("实测矩形仍被完全遮挡");
    ASSERT_EQ(stillCovered.size(), 3u);
    EXPECT_EQ(stillCovered[0],
              "⚠️ 遮挡自救：窗口 #11（Notes）换到 (1944,1012 700x500)，系统实际给的是 "
              "(1944,1012 700x500) —— **实测矩形仍被完全遮挡** ⇒ 按实测位置继续找下一个落点");
    EXPECT_EQ(lines_.back(),
              "⚠️ 遮挡自救：窗口 #11（Notes）3 个落点试完，**实测**都还被完全遮挡 ⇒ "
              "如实报告失败（不假装成功，上层按既有节奏重试）");
    EXPECT_EQ(lines_.size(), 4u);
    EXPECT_EQ(parked().at(source).originalFrame, home);
}

TEST_F(ReplotTest, TheSlotThatFinallyEscapesIsNamedFromTheSecondAttemptOn)
{
    coverOnVirtualDisplay(1);

    EXPECT_EQ(park(source), Outcome::parked);
    ASSERT_EQ(lines_.size(), 2u);
    EXPECT_EQ(lines_[1],
              "遮挡自救：窗口 #11（Notes）在虚拟屏上被 Cover(pid 300) 720x520@(1518,1002) 盖住 ⇒ "
              "已换落点重排 (1528,1012 700x500) → (2360,1012 700x500)"
              "（第 2 个槽位才真躲开：前一个是预测里没被吞、系统给的位置仍被吞）"
              "（原来的落点只按槽位排，管不了后来谁盖住了它）");
}

TEST_F(ReplotTest, AWindowDraggedBackToARealScreenIsLeftAlone)
{
    world().setFrame(source, home);

    EXPECT_EQ(park(source), Outcome::parked);
    EXPECT_EQ(lines_, (std::vector<std::string>{"遮挡自救：窗口 #11 有停放记录但已不在虚拟屏 ⇒ "
                                                "不重排（交给接管/还原那两条路）"}));
    EXPECT_EQ(frameOf(source), home);
}

TEST_F(ReplotTest, AnUncoveredParkedWindowStaysWhereItIsAndCountsAsParked)
{
    EXPECT_EQ(park(source), Outcome::parked);
    EXPECT_TRUE(lines_.empty());
    EXPECT_EQ(frameOf(source), parkedAt);
}

// ---- the display prewarm ----

TEST_F(ParkRequestTest, APrewarmMakesTheVirtualDisplayOfTheWindowsScreenOnlyForAWindowOnARealScreen)
{
    parking().prewarmDisplay(source);
    EXPECT_EQ(virtualDisplay(), 0u);  // queued, not run yet
    clock().runUntilIdle();
    const auto made = virtualDisplay();
    ASSERT_NE(made, 0u);
    EXPECT_TRUE(parking().foreignWatchRunning());
    EXPECT_TRUE(logged("遮挡自救").empty());

    // A window on the virtual display asks for nothing more.
    addApp(400, "Stray");
    addWindow(400, 31, core::Rect(1600, 1100, 400, 300));
    parking().prewarmDisplay(31);
    clock().runUntilIdle();
    EXPECT_EQ(displayController().liveDisplayIDs(), (std::vector<desktop::DisplayID>{made}));
}

}  // namespace
