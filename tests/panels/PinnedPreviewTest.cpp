#include "PanelFixture.h"

#include "foundation/EventBridge.h"
#include "panels/pin/FixedPreviewTopStrip.h"
#include "panels/pin/LearnedMinSizes.h"
#include "panels/pin/ParkingLoan.h"
#include "panels/views/PreviewContentView.h"
#include "panels/views/PreviewPanel.h"
#include "panels/pin/TakeoverGeometry.h"
#include "panels/pin/TakeoverRestoreJob.h"
#include "panels/views/TopBarView.h"
#include "platform/sim/SimWorld.h"

#include <algorithm>

namespace {

using namespace paneltest;
using desktop::EventType;

const core::Rect sourceFrame{100, 100, 800, 600};

// Pinned previews on the simulated desktop; parking's answers are recorded.
class PinnedPreviewTest : public PanelFixture {
protected:
    void SetUp() override
    {
        PanelFixture::SetUp();
        savedLoan_ = pin::ParkingLoan::calls();
        pin::ParkingLoan::calls().giveBack = [this](desktop::WindowID id) { givenBack.push_back(id); };
        pin::ParkingLoan::calls().releaseTakeover = [this](desktop::WindowID id) { released.push_back(id); };
        pin::LearnedMinSizes::cache().clear();
        EventBridge::lastForwardTime = -1.0e9;
    }

    void TearDown() override
    {
        // Restores still retrying run out while the desktop is still there.
        while (!PipPanel::all().empty()) PipPanel::all().back()->closePanel(false);
        clock().advance(3);
        PanelFixture::TearDown();
        pin::FixedPreviewTopStrip::uninstall();
        pin::ParkingLoan::calls() = savedLoan_;
    }

    // A press and release on the picture, then the single-click delay.
    void pin(PipPanel& panel)
    {
        click(at(panel, panel.frame().width() / 2, panel.frame().height() / 2 + 10));
        clock().advance(0.25);
        clock().runUntilIdle();
    }

    void pressEscape()
    {
        desktop::Event event;
        event.type = EventType::keyDown;
        event.keyCode = desktop::key::escape;
        desktop::input().postEvent(event);
        clock().runUntilIdle();
    }

    core::Rect frameOf(desktop::WindowID id) { return world().window(id)->frame; }

    // The preview box of a panel in global coordinates.
    static core::Rect globalBoxOf(const PipPanel& panel)
    {
        return pin::globalBox(panel.hoverPreview->previewFrame(), screenHeight);
    }

    std::vector<nlohmann::json> eventsTo(desktop::WindowID id, const std::string& type) const
    {
        std::vector<nlohmann::json> found;
        for (const auto& line : journalOf("event"))
            if (line["window"] == id && line["type"] == type) found.push_back(line);
        return found;
    }

    std::vector<desktop::WindowID> givenBack;
    std::vector<desktop::WindowID> released;

private:
    pin::ParkingLoan::Calls savedLoan_;
};

void expectNear(const core::Rect& a, const core::Rect& b, double tolerance = 1e-6)
{
    EXPECT_NEAR(a.x(), b.x(), tolerance);
    EXPECT_NEAR(a.y(), b.y(), tolerance);
    EXPECT_NEAR(a.width(), b.width(), tolerance);
    EXPECT_NEAR(a.height(), b.height(), tolerance);
}

TEST_F(PinnedPreviewTest, AClickPinsTheSourceIntoTheBoxAndEscapePutsItBack)
{
    PipPanel* panel = makePanel();
    pin::PinSession& session = *panel->pinSession;
    pin(*panel);

    ASSERT_TRUE(session.pinned);
    ASSERT_TRUE(session.takeoverActive);
    EXPECT_EQ(pin::PinSession::pinnedSession(), &session);
    // The 800×600 window is larger than the box: it takes the whole box.
    const core::Rect box = globalBoxOf(*panel);
    clock().advance(0.5);
    expectNear(frameOf(sourceID), box);
    EXPECT_FALSE(journalOf("ax.set").empty());
    EXPECT_EQ(session.takeoverSavedFrame, std::optional<core::Rect>(sourceFrame));
    EXPECT_EQ(pin::FixedPreviewTopStrip::targetWindowNumber(), sourceID);
    EXPECT_TRUE(panel->content->topBar().fixedPreview);
    // Pinned before the hover delay ran out: the window took the preview's place unseen.
    EXPECT_FALSE(panel->hoverPreview->previewPanel);

    pressEscape();
    clock().advance(0.5);
    EXPECT_FALSE(session.pinned);
    EXPECT_FALSE(session.takeoverActive);
    EXPECT_EQ(frameOf(sourceID), sourceFrame);
    EXPECT_FALSE(session.takeoverSavedFrame);
    EXPECT_EQ(released, std::vector<desktop::WindowID>{sourceID});
    EXPECT_TRUE(givenBack.empty());
    EXPECT_FALSE(pin::FixedPreviewTopStrip::tapInstalled());
    EXPECT_FALSE(session.globalClickMonitor);
    EXPECT_TRUE(session.escMonitors.empty());
    EXPECT_EQ(linesWith("Esc(全局)→退出固定").size(), 1u);
    EXPECT_EQ(linesWith("接管预览退出: 恢复源窗口 frame=(100.0, 100.0, 800.0, 600.0) 成功").size(), 1u);

    // A second Escape finds nothing pinned.
    pressEscape();
    EXPECT_EQ(linesWith("Esc(全局)→退出固定").size(), 1u);
}

TEST_F(PinnedPreviewTest, ARefusedMoveForwardsAPreviewClickToTheSourceExactlyOnce)
{
    sim::AppBehavior stubborn;
    stubborn.refuseMoves = desktop::ax::cannotComplete;
    addApp(43, "Stubborn", "com.example.stubborn", stubborn);
    // Large enough that the preview, centred on the screen, lies over it.
    addWindow(43, 600, {200, 100, 1100, 800}, "Stubborn");
    PipPanel* panel = makePanel(600);
    pin::PinSession& session = *panel->pinSession;
    pin(*panel);

    ASSERT_TRUE(session.pinned);
    EXPECT_FALSE(session.takeoverActive);
    EXPECT_FALSE(session.takeoverSavedFrame);
    EXPECT_EQ(linesWith("接管预览: 移动源窗口失败，回退转发模式 id=600").size(), 1u);
    EXPECT_EQ(givenBack, std::vector<desktop::WindowID>{600});
    ASSERT_TRUE(panel->hoverPreview->previewPanel);
    clock().advance(0.3);
    EXPECT_TRUE(panel->hoverPreview->previewPanel->isVisible());
    EXPECT_FALSE(panel->hoverPreview->previewPanel->ignoresMouseEvents());

    // The mapped point of the source window lies under the preview, clear of the mini window.
    const core::Rect preview = panel->hoverPreview->previewPanel->frame();
    const core::Point mapped{200 + 600 * 1100 / preview.width(), 100 + 150 * 800 / preview.height()};
    ASSERT_TRUE(pin::globalBox(preview, screenHeight).contains(mapped));
    ASSERT_FALSE(pin::globalBox(panel->frame(), screenHeight).contains(mapped));
    click({preview.minX() + 600, preview.maxY() - 150});
    clock().advance(0.1);

    EXPECT_EQ(eventsTo(600, "leftMouseDown").size(), 1u);
    EXPECT_EQ(eventsTo(600, "leftMouseUp").size(), 1u);
    // Only the user's own press reached the preview: the posted one passed it.
    EXPECT_EQ(eventsTo(panel->hoverPreview->previewPanel->windowNumber(), "leftMouseDown").size(), 1u);
    EXPECT_TRUE(session.pinned);
    EXPECT_FALSE(panel->hoverPreview->previewPanel->ignoresMouseEvents());

    pressEscape();
    EXPECT_FALSE(session.pinned);
    EXPECT_TRUE(panel->hoverPreview->previewPanel->ignoresMouseEvents());
}

TEST_F(PinnedPreviewTest, AnUnreportedMinimumIsRecentredInTheBoxAndLearned)
{
    sim::AppBehavior big;
    big.minSize = core::Size{900, 700};
    addApp(44, "Big", "com.example.big", big);
    addWindow(44, 700, {50, 60, 1200, 800}, "Big");
    PipPanel* panel = makePanel(700);
    pin(*panel);
    clock().advance(1);

    ASSERT_TRUE(panel->pinSession->takeoverActive);
    const core::Rect box = globalBoxOf(*panel);
    const core::Rect frame = frameOf(700);
    EXPECT_EQ(frame.size, (core::Size{900, 700}));
    EXPECT_NEAR(frame.midX(), box.midX(), 1e-6);
    EXPECT_NEAR(frame.midY(), box.midY(), 1e-6);
    EXPECT_EQ(linesWith("钳制观察: 实际 900x700").size(), 1u);
    const auto learned = pin::LearnedMinSizes::cache().find("com.example.big");
    ASSERT_NE(learned, pin::LearnedMinSizes::cache().end());
    EXPECT_EQ(learned->second, (core::Size{900, 700}));
    EXPECT_EQ(linesWith("最小尺寸学习: com.example.big → 900x700").size(), 1u);

    pressEscape();
    clock().advance(0.5);
    EXPECT_EQ(frameOf(700), (core::Rect{50, 60, 1200, 800}));
}

TEST_F(PinnedPreviewTest, RestoreRetriesOutliveAClosedPanelAndGiveBackItsOwnWindow)
{
    PipPanel* panel = makePanel();
    pin(*panel);
    ASSERT_TRUE(panel->pinSession->takeoverActive);
    clock().advance(0.5);

    // Every restore write now fails.
    world().setAccessibilityTrusted(false);
    QPointer<PipPanel> closed(panel);
    panel->closePanel(false);
    clock().runUntilIdle();
    EXPECT_FALSE(closed);
    EXPECT_TRUE(pin::TakeoverRestoreJob::anyPending());
    EXPECT_TRUE(givenBack.empty());

    clock().advance(2);
    EXPECT_FALSE(pin::TakeoverRestoreJob::anyPending());
    EXPECT_EQ(givenBack, std::vector<desktop::WindowID>{sourceID});
    EXPECT_TRUE(released.empty());
    EXPECT_EQ(linesWith("接管预览退出: 恢复彻底失败 frame=(100.0, 100.0, 800.0, 600.0) pid=42").size(), 1u);
}

// Every write succeeds, but the window lands beside the saved frame: that is no restore.
TEST_F(PinnedPreviewTest, ARestoreThatDoesNotLandIsRetriedAndLoggedAsAFailure)
{
    PipPanel* panel = makePanel();
    pin(*panel);
    ASSERT_TRUE(panel->pinSession->takeoverActive);
    clock().advance(0.5);

    sim::AppBehavior beside;
    beside.shiftMoves = core::Point{40, 0};
    world().setBehavior(42, beside);
    pressEscape();
    clock().advance(2);
    EXPECT_EQ(frameOf(sourceID).origin, (core::Point{140, 100}));
    EXPECT_TRUE(linesWith("接管预览退出: 恢复源窗口").empty());
    EXPECT_EQ(linesWith("接管预览退出: 恢复彻底失败 frame=(100.0, 100.0, 800.0, 600.0) pid=42").size(), 1u);
    EXPECT_EQ(givenBack, std::vector<desktop::WindowID>{sourceID});
    EXPECT_TRUE(released.empty());
}

TEST_F(PinnedPreviewTest, ClosingDuringTheFrontHandoffStillRestoresTheWindow)
{
    // A window of another application covers the source before pinning: leaving with
    // Escape activates it and waits for it to come in front.
    addApp(45, "Cover", "com.example.cover");
    addWindow(45, 800, {50, 50, 300, 300}, "Cover");
    PipPanel* panel = makePanel();
    pin(*panel);
    ASSERT_TRUE(panel->pinSession->takeoverActive);
    ASSERT_EQ(panel->pinSession->prePinRaiseList.size(), 1u);
    clock().advance(0.5);

    pressEscape();
    ASSERT_TRUE(panel->pinSession->takeoverSavedFrame);
    panel->closePanel(false);
    clock().advance(1);

    EXPECT_EQ(frameOf(sourceID), sourceFrame);
    EXPECT_EQ(released, std::vector<desktop::WindowID>{sourceID});
    EXPECT_FALSE(pin::TakeoverRestoreJob::anyPending());
}

TEST_F(PinnedPreviewTest, ANewTakeoverStopsPendingRetriesAndKeepsTheFirstSavedFrame)
{
    PipPanel* panel = makePanel();
    pin::PinSession& session = *panel->pinSession;
    pin(*panel);
    clock().advance(0.5);

    world().setAccessibilityTrusted(false);
    pressEscape();
    ASSERT_TRUE(session.restoreJob() && session.restoreJob()->pending());
    world().setAccessibilityTrusted(true);

    // Pinned again before the retries ran: the window's first place stays the one to restore.
    pin(*panel);
    ASSERT_TRUE(session.takeoverActive);
    EXPECT_EQ(session.takeoverSavedFrame, std::optional<core::Rect>(sourceFrame));
    EXPECT_FALSE(pin::TakeoverRestoreJob::anyPending());
    clock().advance(2);
    expectNear(frameOf(sourceID), globalBoxOf(*panel));

    pressEscape();
    clock().advance(0.5);
    EXPECT_EQ(frameOf(sourceID), sourceFrame);
    EXPECT_TRUE(givenBack.empty());
    EXPECT_EQ(released, std::vector<desktop::WindowID>{sourceID});
}

TEST_F(PinnedPreviewTest, PinningASecondPanelLeavesTheFirstAndOwnsTheTap)
{
    addWindow(42, 501, {950, 300, 500, 400}, "Second");
    PipPanel* first = makePanel();
    PipPanel* second = makePanel(501);
    pin(*first);
    clock().advance(0.5);
    ASSERT_TRUE(first->pinSession->takeoverActive);

    pin(*second);
    clock().advance(0.5);
    EXPECT_FALSE(first->pinSession->pinned);
    EXPECT_TRUE(second->pinSession->pinned);
    EXPECT_TRUE(second->pinSession->takeoverActive);
    EXPECT_EQ(pin::PinSession::pinnedSession(), second->pinSession.get());
    EXPECT_EQ(frameOf(sourceID), sourceFrame);
    EXPECT_EQ(pin::FixedPreviewTopStrip::targetWindowNumber(), 501u);
    EXPECT_TRUE(pin::FixedPreviewTopStrip::tapInstalled());

    // The first pin's leave is over: its later steps do not take the second pin's tap down.
    first->pinSession->exitPinnedPreview(std::nullopt, std::nullopt, true);
    EXPECT_TRUE(pin::FixedPreviewTopStrip::tapInstalled());
}

TEST_F(PinnedPreviewTest, ADoubleClickOnTheTopEdgeOfTheTakenOverWindowLeavesThePin)
{
    PipPanel* panel = makePanel();
    pin(*panel);
    clock().advance(0.5);
    const core::Rect box = globalBoxOf(*panel);

    // 31 pt below the top edge, or a single click: untouched.
    click({box.midX(), screenHeight - (box.minY() + 31)}, 2);
    click({box.midX(), screenHeight - (box.minY() + 10)}, 1);
    EXPECT_TRUE(panel->pinSession->pinned);

    click({box.midX(), screenHeight - (box.minY() + 10)}, 2);
    EXPECT_FALSE(panel->pinSession->pinned);
    EXPECT_EQ(linesWith("固定预览顶边双击 → 退出固定并打开原应用").size(), 1u);
    clock().advance(0.5);
    EXPECT_EQ(frameOf(sourceID), sourceFrame);
}

}  // namespace

namespace {

TEST_F(PinnedPreviewTest, AClickElsewhereLeavesThePinButNotOneBesideAMiniWindow)
{
    addApp(46, "Desk", "com.example.desk");
    addWindow(46, 900, {1300, 850, 200, 100}, "Desk");
    PipPanel* panel = makePanel();
    pin(*panel);
    clock().advance(0.5);
    ASSERT_TRUE(panel->pinSession->pinned);

    // Within 4 pt of the mini window's frame (on its left, clear of the taken-over window):
    // the press belongs to it.
    const core::Rect frame = panel->frame();
    click({frame.minX() - 3, frame.midY()});
    EXPECT_TRUE(panel->pinSession->pinned);
    EXPECT_EQ(linesWith("全局点击落点在PIP内").size(), 1u);

    click({1400, screenHeight - 900});
    EXPECT_FALSE(panel->pinSession->pinned);
    EXPECT_EQ(linesWith("全局点击→退出固定: win=900").size(), 1u);
    // The clicked application comes forward, then the window goes back beneath it.
    clock().advance(1);
    EXPECT_EQ(world().frontmost(), std::optional<desktop::Pid>(46));
    EXPECT_EQ(frameOf(sourceID), sourceFrame);
}

TEST_F(PinnedPreviewTest, ADoubleClickOnThePictureLeavesAndFocusesOrOpensTheSource)
{
    PipPanel* panel = makePanel();
    pin(*panel);
    clock().advance(0.5);
    const core::Point picture = at(*panel, panel->frame().width() / 2, panel->frame().height() / 2 + 10);
    post(EventType::leftMouseDown, picture, 1);
    post(EventType::leftMouseUp, picture, 1);
    post(EventType::leftMouseDown, picture, 2);
    post(EventType::leftMouseUp, picture, 2);
    clock().advance(0.5);
    EXPECT_FALSE(panel->pinSession->pinned);
    EXPECT_EQ(linesWith("双击画面→退出固定并聚焦源窗口").size(), 1u);
    EXPECT_EQ(frameOf(sourceID), sourceFrame);
    EXPECT_TRUE(PipPanel::isRegistered(panel));

    defaults::Defaults::standard().set("pipDoubleClickOpensOriginal", true);
    post(EventType::leftMouseDown, picture, 1);
    post(EventType::leftMouseUp, picture, 1);
    post(EventType::leftMouseDown, picture, 2);
    post(EventType::leftMouseUp, picture, 2);
    clock().runUntilIdle();
    EXPECT_EQ(linesWith("双击画面→打开原应用并关闭小窗（用户设置开启）").size(), 1u);
    EXPECT_FALSE(PipPanel::isRegistered(panel));
    // Neither double click pinned.
    EXPECT_EQ(linesWith("enterPinnedPreview: visible=").size(), 1u);
}

}  // namespace
