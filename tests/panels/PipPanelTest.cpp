#include "PanelFixture.h"

#include "capture/MirrorView.h"
#include "foundation/L10n.h"
#include "panels/views/GripView.h"
#include "panels/rules/PanelGeometry.h"
#include "panels/views/TopBarView.h"
#include "parking/WindowParking.h"
#include "panels/views/BarButton.h"
#include "platform/sim/SimWorld.h"

#include <QLabel>

#include <cmath>

namespace {

using namespace paneltest;
using desktop::EventType;

class PipPanelTest : public PanelFixture {};

core::Point centre(const core::Rect& r) { return {r.midX(), r.midY()}; }

TEST_F(PipPanelTest, ANewPanelIsSizedForItsSourceAndCentredOnIt)
{
    PipPanel* panel = makePanel();
    const core::Size expected = panels::pipSize(visibleFrame, 1.2, 800.0 / 600.0);
    EXPECT_NEAR(panel->frame().width(), expected.width, 1e-9);
    EXPECT_NEAR(panel->frame().height(), expected.height, 1e-9);
    // The source's centre (500, 400) from the top is (500, 582) in screen coordinates.
    EXPECT_NEAR(centre(panel->frame()).x, 500, 1e-9);
    EXPECT_NEAR(centre(panel->frame()).y, 582, 1e-9);
    EXPECT_EQ(panel->level(), 3);
    EXPECT_EQ(panel->title(), "Glimra · Notes");
    EXPECT_EQ(panel->content->topBar().titleText(), "\u2068Notes\u2069 · \u2068Notes\u2069");
    EXPECT_EQ(panel->lastSizedScreenID, std::optional<desktop::DisplayID>(1));
    EXPECT_EQ(PipPanel::all(), std::vector<PipPanel*>{panel});
    EXPECT_TRUE(WindowParking::hasMiniWindows.load());
}

TEST_F(PipPanelTest, CreationClampsUnusableSettingsAndThinSources)
{
    // A multiplier of 0 would give a 2 pt panel: it is clamped to the smallest, 0.5.
    defaults::Defaults::standard().set("pipDefaultSizeMultiplier", 0.0);
    addWindow(42, 501, {1400, 970, 600, 1}, "Thin");
    PipPanel* thin = makePanel(501);
    const core::Size expected = panels::pipSize(visibleFrame, 0.5, 1.6);
    EXPECT_NEAR(thin->frame().width(), expected.width, 1e-9);
    EXPECT_NEAR(thin->frame().height(), expected.height, 1e-9);
    // Centred on a source partly off screen, then kept inside the visible frame.
    EXPECT_EQ(thin->frame().maxX(), visibleFrame.maxX());
    EXPECT_EQ(thin->frame().minY(), visibleFrame.minY());
}

TEST_F(PipPanelTest, TheDefaultScreenSettingPicksTheFirstRealScreen)
{
    desktop::DisplayInfo second;
    second.id = 2;
    second.frame = {1512, 0, 1920, 1080};
    second.visibleFrame = {1512, 0, 1920, 1080};
    second.scale = 1;
    second.name = "Display 2";
    world().addDisplay(second);
    addWindow(42, 502, {2000, 200, 800, 500}, "Far");

    PipPanel* onSource = makePanel(502);
    EXPECT_EQ(PipPanel::screenID(onSource->screen()), std::optional<desktop::DisplayID>(2));

    defaults::Defaults::standard().set("pipDefaultScreen", 0);
    PipPanel* onFirst = makePanel(502);
    EXPECT_EQ(PipPanel::screenID(onFirst->screen()), std::optional<desktop::DisplayID>(1));
    EXPECT_EQ(onFirst->lastSizedScreenID, std::optional<desktop::DisplayID>(1));
}

TEST_F(PipPanelTest, ClosingKeepsTheOthersInOrderAndHappensOnce)
{
    PipPanel* first = makePanel();
    PipPanel* middle = makePanel();
    PipPanel* last = makePanel();
    QPointer<PipPanel> closed(middle);

    middle->closePanel(false);
    EXPECT_EQ(PipPanel::all(), (std::vector<PipPanel*>{first, last}));
    EXPECT_TRUE(middle->mirror->isStopped());
    middle->closePanel(true);  // a second close does nothing
    clock().runUntilIdle();
    EXPECT_TRUE(closed.isNull());  // deleted once ordered out

    // The animated close fades for 0.15 s before the panel goes.
    QPointer<PipPanel> fading(first);
    first->closePanel(true);
    EXPECT_EQ(PipPanel::all(), std::vector<PipPanel*>{last});
    clock().advance(0.1);
    ASSERT_FALSE(fading.isNull());
    EXPECT_TRUE(fading->isVisible());
    clock().advance(0.1);
    clock().runUntilIdle();
    EXPECT_TRUE(fading.isNull());

    // A close request from outside ends the panel as its close button does.
    QPointer<PipPanel> requested(last);
    last->close();
    EXPECT_TRUE(PipPanel::all().empty());
    EXPECT_TRUE(requested->mirror->isStopped());
    clock().advance(0.2);
    clock().runUntilIdle();
    EXPECT_TRUE(requested.isNull());
    EXPECT_FALSE(WindowParking::hasMiniWindows.load());
    EXPECT_EQ(linesWith("小窗镜像: 现在 0 个小窗").size(), 1u);
}

TEST_F(PipPanelTest, AGoneSourceClosesItsPanelOnTheSecondTick)
{
    PipPanel* panel = makePanel();
    QPointer<PipPanel> held(panel);
    clock().advance(1);
    world().removeWindow(sourceID);

    clock().advance(4.9);  // 5.9 s after creation: no tick yet
    EXPECT_TRUE(linesWith("源窗口疑似已关闭").empty());
    clock().advance(0.2);
    EXPECT_EQ(linesWith("源窗口疑似已关闭，开始防抖 id=500").size(), 1u);
    EXPECT_TRUE(panel->sourceClosing());
    EXPECT_EQ(panel->content->hints().showing(), panels::HintKind::closing);
    EXPECT_TRUE(PipPanel::isRegistered(panel));

    clock().advance(1.0);
    EXPECT_EQ(linesWith("源窗口已销毁，自动关闭小窗 id=500").size(), 1u);
    EXPECT_TRUE(PipPanel::all().empty());
    clock().advance(1);
    EXPECT_TRUE(held.isNull());
}

// Without the screen-recording grant no frame comes; the hint names the cause in the
// interface language, both of its lines from one translation.
TEST_F(PipPanelTest, TheThreeSecondCheckTellsOfAMissingGrantInTheInterfaceLanguage)
{
    defaults::Defaults::standard().set("appLanguage", 2);  // English
    world().setScreenRecordingAllowed(false);
    PipPanel* panel = makePanel();
    panel->orderFront();
    clock().advance(3.1);
    EXPECT_EQ(linesWith("3s自检: 无帧 且 preflightScreen=false → 权限未生效").size(), 1u);
    const std::string shown = panel->content->statusLabel().text().toStdString();
    EXPECT_EQ(shown, L10n::t("屏幕录制权限未生效\n请在系统设置授权后，从菜单栏 Glimra 点「授权后重启 Glimra 以生效」"));
    EXPECT_EQ(shown.find("屏幕录制"), std::string::npos) << shown;
    EXPECT_NE(shown.find('\n'), std::string::npos);
}

TEST_F(PipPanelTest, HostCallbacksReachTheViewOnTheMainQueue)
{
    PipPanel* panel = makePanel();
    clock().runUntilIdle();

    panel->mirror->onContentRegion(core::Rect(0.1, 0, 0.8, 1));
    EXPECT_EQ(panel->content->baseContentRegion(), core::Rect(0, 0, 1, 1));  // not yet
    panel->mirror->onSourceFrozen(true);
    panel->mirror->onCaptureDead();
    clock().runUntilIdle();
    EXPECT_EQ(panel->content->baseContentRegion(), core::Rect(0.1, 0, 0.8, 1));
    EXPECT_EQ(panel->content->hints().showing(), panels::HintKind::captureDead);
    EXPECT_TRUE(panel->content->fullscreenHintActive());

    // The doze hint is not showing any more, so withdrawing it leaves the label alone.
    panel->mirror->onSourceFrozen(false);
    clock().runUntilIdle();
    EXPECT_EQ(panel->content->hints().showing(), panels::HintKind::captureDead);
    EXPECT_FALSE(panel->content->fullscreenHintActive());

    // A late callback of a closed panel does nothing.
    auto callback = panel->mirror->onCaptureDead;
    panel->closePanel(false);
    callback();
    clock().runUntilIdle();
    EXPECT_TRUE(PipPanel::all().empty());

    // The park request is answered on the calling thread by parking.
    PipPanel* other = makePanel();
    EXPECT_EQ(other->mirror->onFrozenByOcclusion(sourceID), WindowParking::RescueOutcome::failed);
}

TEST_F(PipPanelTest, OverridesChangeBadgesAndTheStream)
{
    PipPanel* panel = makePanel();
    PipPanel* other = makePanel();
    auto& bar = panel->content->topBar();

    panel->applyFrameRateChoice(120);
    clock().runUntilIdle();
    EXPECT_EQ(panel->frameRateOverride, std::optional<int>(60));
    EXPECT_EQ(bar.rateButton->text().toStdString(), "60 fps");
    EXPECT_EQ(panel->mirror->frameRate(), 60);
    EXPECT_EQ(other->mirror->frameRate(), 30);

    panel->applyOpacityChoice(0.5);
    EXPECT_EQ(bar.opacityButton->text().toStdString(), "50%");
    EXPECT_DOUBLE_EQ(views::viewAlpha(panel->content->mirrorView()), 0.5);
    EXPECT_DOUBLE_EQ(views::viewAlpha(panel->content->fillView()), 0.0);

    // Set as default: the other panel's override equal to the new default goes too.
    other->applyOpacityChoice(0.5);
    panel->setOpacityValueAsDefault();
    EXPECT_FALSE(panel->opacityOverride);
    EXPECT_FALSE(other->opacityOverride);
    EXPECT_DOUBLE_EQ(*defaults::Defaults::standard().number("pipOpacity"), 0.5);
    EXPECT_EQ(panel->content->hints().showing(), panels::HintKind::timed);
    clock().advance(1.7);
    EXPECT_EQ(panel->content->hints().showing(), panels::HintKind::none);

    const core::Point before = centre(panel->frame());
    panel->applySizeChoice(2.0);
    EXPECT_EQ(bar.sizeButton->text().toStdString(), "2×");
    const core::Size expected = panels::pipSize(visibleFrame, 2.0, 800.0 / 600.0);
    EXPECT_NEAR(panel->frame().width(), expected.width, 1e-9);
    EXPECT_NEAR(centre(panel->frame()).x, before.x, 1e-9);
    EXPECT_EQ(linesWith("小窗大小生效: ").size(), 1u);
    panel->applySizeChoice(2.0);  // the same again: nothing
    EXPECT_EQ(linesWith("小窗大小生效: ").size(), 1u);
}

TEST_F(PipPanelTest, TileAllLaysTwoPanelsOutFromTheCorner)
{
    PipPanel* first = makePanel();
    PipPanel* second = makePanel();
    PipPanel::tileAll();
    const auto frames =
        panels::layoutFrames({first->frame().size, second->frame().size}, visibleFrame, panels::WindowCorner::topRight);
    EXPECT_EQ(first->frame(), frames[0]);
    EXPECT_EQ(second->frame(), frames[1]);
    EXPECT_EQ(first->frame().maxX(), visibleFrame.maxX() - 16);
    EXPECT_EQ(first->frame().maxY(), visibleFrame.maxY() - 16);
}

TEST_F(PipPanelTest, ABarDragOntoAVirtualDisplayIsRolledBack)
{
    desktop::DisplayInfo parking;
    parking.id = 77;
    parking.frame = {1512, 0, 1512, 982};
    parking.visibleFrame = {1512, 0, 1512, 982};
    parking.scale = 2;
    parking.name = "Parking";
    world().addDisplay(parking);
    PipPanel::isVirtualDisplay() = [](desktop::DisplayID id) { return id == 77; };

    PipPanel* panel = makePanel();
    showChromeNow(*panel);
    const core::Rect start = panel->frame();
    const core::Point grab = at(*panel, 250, 10);  // the bar, right of the badges
    post(EventType::leftMouseDown, grab);
    clock().runUntilIdle();
    EXPECT_TRUE(panel->isDragging());
    post(EventType::leftMouseDragged, {grab.x + 400, grab.y});
    post(EventType::leftMouseDragged, {grab.x + 3000, grab.y + 100});
    clock().runUntilIdle();
    // 80 pt stay on the real screen; the rest lies over the parking display.
    EXPECT_EQ(panel->frame().minX(), visibleFrame.maxX() - 80);
    post(EventType::leftMouseUp, {grab.x + 3000, grab.y + 100});
    clock().runUntilIdle();

    EXPECT_FALSE(panel->isDragging());
    EXPECT_EQ(panel->frame(), start);
    EXPECT_FALSE(panel->preActionFrame);
    EXPECT_EQ(linesWith("单击工具条→窗口拖动").size(), 1u);
    EXPECT_EQ(linesWith("小窗越界回滚: [Notes] #500 拖动后压在虚拟屏上").size(), 1u);
}

TEST_F(PipPanelTest, TheGripResizesWithTheAspectKept)
{
    PipPanel* panel = makePanel();
    showChromeNow(*panel);
    const core::Rect start = panel->frame();
    const core::Point grip = at(*panel, start.width() - 8, start.height() - 8);
    post(EventType::leftMouseDown, grip);
    post(EventType::leftMouseDragged, {grip.x + 100, grip.y - 30});
    post(EventType::leftMouseUp, {grip.x + 100, grip.y - 30});
    clock().runUntilIdle();

    const core::Rect end = panel->frame();
    EXPECT_NEAR(end.width(), start.width() + 100, 1e-9);
    EXPECT_NEAR(end.width() / end.height(), start.width() / start.height(), 1e-9);
    EXPECT_NEAR(end.maxY(), start.maxY(), 1e-9);  // the top edge stays
    EXPECT_EQ(linesWith("startEdgeResize 进入: edges=10").size(), 1u);
    EXPECT_TRUE(linesWith("mouseDown: ").empty());  // the grip's press is no click
}

TEST_F(PipPanelTest, FadedChromeLetsClicksThrough)
{
    PipPanel* panel = makePanel();
    const core::Point closeButton = at(*panel, 14, 14);

    click(closeButton);  // the bar is hidden: the press reaches the picture
    EXPECT_TRUE(PipPanel::isRegistered(panel));
    EXPECT_EQ(linesWith("mouseDown: ").size(), 1u);
    EXPECT_NE(linesWith("mouseDown: ")[0].find(" chrome=false"), std::string::npos);
    EXPECT_EQ(linesWith("panel sendEvent: loc=").size(), 1u);
    EXPECT_TRUE(linesWith("sendEvent 兜底").empty());

    showChromeNow(*panel);
    click(closeButton);
    EXPECT_TRUE(PipPanel::all().empty());
}

TEST_F(PipPanelTest, TemporaryChromeHidesTwoSecondsAfterTheLastCall)
{
    PipPanel* panel = makePanel();
    QWidget& bar = panel->content->topBar();
    panel->content->showChromeTemporarily();
    clock().advance(1.0);
    EXPECT_DOUBLE_EQ(views::viewAlpha(bar), 1.0);
    panel->content->showChromeTemporarily();
    clock().advance(1.5);  // 2.5 s after the first call
    EXPECT_DOUBLE_EQ(views::viewAlpha(bar), 1.0);
    clock().advance(0.7);
    EXPECT_DOUBLE_EQ(views::viewAlpha(bar), 0.0);
    EXPECT_DOUBLE_EQ(views::viewAlpha(panel->content->grip()), 0.0);
}

}  // namespace
