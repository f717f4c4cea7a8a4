#include "PanelFixture.h"

#include "capture/MirrorView.h"
#include "panels/views/FrozenBanner.h"
#include "panels/views/GripView.h"
#include "panels/views/PreviewContentView.h"
#include "panels/rules/PreviewGeometry.h"
#include "panels/views/PreviewPanel.h"
#include "platform/sim/SimInput.h"

#include <QApplication>
#include <QEnterEvent>
#include <QImage>
#include <QLabel>

namespace {

using namespace paneltest;

class PreviewTest : public PanelFixture {
protected:
    // The pointer moves onto the panel, to a point measured from its top-left corner; or,
    // without moving, finds itself there as a menu over it closes.
    void enter(PipPanel& panel, QPointF local = {60, 60}, bool moving = true)
    {
        const QPointF global = panel.content->mapToGlobal(local);
        QEnterEvent event(local, local, global);
        QApplication::sendEvent(panel.content, &event);
        QMouseEvent move(QEvent::MouseMove, local, local, global, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        if (moving) QApplication::sendEvent(panel.content, &move);
    }

    void leave(PipPanel& panel)
    {
        QEvent event(QEvent::Leave);
        QApplication::sendEvent(panel.content, &event);
    }

    static bool previewOnScreen(const PipPanel& panel)
    {
        return panel.hoverPreview->previewPanel && panel.hoverPreview->previewPanel->isVisible();
    }
};

TEST_F(PreviewTest, HoveringShowsThePreviewAfterTheDelayAndLeavingFadesItOut)
{
    PipPanel* panel = makePanel();
    enter(*panel);
    clock().advance(0.49);
    EXPECT_FALSE(panel->hoverPreview->previewVisible);
    EXPECT_FALSE(panel->hoverPreview->previewPanel);

    clock().advance(0.02);
    ASSERT_TRUE(panel->hoverPreview->previewVisible);
    views::PreviewPanel& preview = *panel->hoverPreview->previewPanel;
    EXPECT_TRUE(preview.isVisible());
    EXPECT_EQ(preview.level(), 4);
    EXPECT_EQ(preview.parentWindow(), panel);
    EXPECT_EQ(preview.ownerPanel, panel);
    EXPECT_TRUE(preview.ignoresMouseEvents());
    EXPECT_EQ(preview.frame(), panels::previewFrame(visibleFrame, panel->mirror->sourceSize(), 3, panel->frame().size));
    EXPECT_EQ(preview.frame().midX(), visibleFrame.midX());
    clock().advance(0.2);
    EXPECT_EQ(preview.alphaValue(), 1.0);
    EXPECT_EQ(preview.content->mirrorView->geometry(), preview.content->rect());

    ASSERT_EQ(linesWith("showPreview: panel=").size(), 1u);
    EXPECT_NE(linesWith("showPreview: panel=")[0].find(" 屏=" + ui::mainScreen()->localizedName +
                                                       " 预览目标frame=" + core::rectText(preview.frame())),
              std::string::npos);
    EXPECT_EQ(linesWith("预览几何: 框=").size(), 1u);
    EXPECT_EQ(linesWith("displayCurrent: PIP contents=").size(), 1u);
    clock().advance(0.2);
    EXPECT_EQ(linesWith("预览状态核对: frame=").size(), 1u);

    leave(*panel);
    EXPECT_FALSE(panel->hoverPreview->previewVisible);
    EXPECT_EQ(linesWith("hidePreview: 收起预览").size(), 1u);
    EXPECT_TRUE(preview.isVisible()) << "fading, not gone";
    clock().advance(0.2);
    EXPECT_FALSE(preview.isVisible());
    EXPECT_EQ(preview.alphaValue(), 0.0);

    // The same panel serves the next hover.
    enter(*panel);
    clock().advance(0.6);
    EXPECT_EQ(panel->hoverPreview->previewPanel.get(), &preview);
    EXPECT_TRUE(preview.isVisible());
}

TEST_F(PreviewTest, LeavingBeforeTheDelayCancelsTheShowSilently)
{
    PipPanel* panel = makePanel();
    enter(*panel);
    clock().advance(0.3);
    leave(*panel);
    clock().advance(1);
    EXPECT_FALSE(panel->hoverPreview->previewVisible);
    EXPECT_FALSE(panel->hoverPreview->previewPanel);
    EXPECT_TRUE(linesWith("hidePreview").empty());
    EXPECT_TRUE(linesWith("showPreview").empty());
}

TEST_F(PreviewTest, AShowDuringTheFadeOutKeepsThePreviewOnScreen)
{
    defaults::Defaults::standard().set("hoverPreviewDelay", 0);
    PipPanel* panel = makePanel();
    enter(*panel);
    clock().advance(0.3);
    ASSERT_TRUE(previewOnScreen(*panel));

    leave(*panel);
    clock().advance(0.05);
    enter(*panel);
    clock().advance(0.5);
    EXPECT_TRUE(panel->hoverPreview->previewVisible);
    EXPECT_TRUE(previewOnScreen(*panel));
    EXPECT_EQ(panel->hoverPreview->previewPanel->alphaValue(), 1.0);

    // Out, back in and out again within one fade: the panel fades fully before it goes.
    leave(*panel);
    clock().advance(0.05);
    enter(*panel);
    clock().runUntilIdle();
    leave(*panel);
    clock().advance(0.05);
    EXPECT_TRUE(previewOnScreen(*panel));
    clock().advance(0.2);
    EXPECT_FALSE(previewOnScreen(*panel));
}

TEST_F(PreviewTest, SettingsOfTheWrongTypeReadAsTheirDefaults)
{
    auto& store = defaults::Defaults::standard();
    PipPanel* panel = makePanel();
    pin::HoverPreview& preview = *panel->hoverPreview;

    EXPECT_TRUE(preview.previewEnabled());
    store.set("hoverPreviewEnabled", "no");
    EXPECT_FALSE(preview.previewEnabled()) << "present, so not the default";
    store.set("hoverPreviewEnabled", nlohmann::json::array());
    EXPECT_TRUE(preview.previewEnabled()) << "neither Boolean, number nor text: the default";
    store.set("hoverPreviewEnabled", 1);
    EXPECT_TRUE(preview.previewEnabled());

    store.set("hoverPreviewDelay", "soon");
    store.set("hoverPreviewScale", true);
    EXPECT_EQ(preview.hoverPreviewDelay(), 0.5);
    EXPECT_EQ(preview.previewScale(), 3.0);
    store.set("hoverPreviewDelay", -2);
    store.set("hoverPreviewScale", 9);
    EXPECT_EQ(preview.hoverPreviewDelay(), 0.0);
    EXPECT_EQ(preview.previewScale(), 4.0);

    store.set("hoverPreviewEnabled", "NO");
    enter(*panel);
    clock().advance(1);
    EXPECT_FALSE(preview.previewPanel);
    EXPECT_EQ(linesWith("schedulePreviewShow 跳过: enabled=false timer=false visible=false pinned=false").size(), 1u);
}

TEST_F(PreviewTest, EnteringAtTheGripOrWhileArmedSchedulesNothingMore)
{
    PipPanel* panel = makePanel();
    const QRect grip = panel->content->grip().geometry();
    enter(*panel, grip.center());
    clock().advance(1);
    EXPECT_FALSE(panel->hoverPreview->previewPanel);

    enter(*panel);
    enter(*panel);
    EXPECT_EQ(linesWith("schedulePreviewShow 跳过: enabled=true timer=true").size(), 1u);
    clock().advance(0.6);
    EXPECT_EQ(linesWith("showPreview: panel=").size(), 1u);
}

// The rim is drawn once per size: after a resize it runs along the new edges, not the old.
TEST_F(PreviewTest, TheRimFollowsThePreviewsSize)
{
    views::PreviewContentView view(QRectF(0, 0, 200, 120));
    const auto rimAlphaAt = [&](int x, int y) {
        QImage canvas(view.size() * 2, QImage::Format_ARGB32_Premultiplied);
        canvas.setDevicePixelRatio(2);
        canvas.fill(Qt::transparent);
        view.render(&canvas);
        return qAlpha(canvas.pixel(2 * x, 2 * y));
    };
    EXPECT_GT(rimAlphaAt(100, 0), 30);
    EXPECT_GT(rimAlphaAt(199, 60), 30);
    EXPECT_EQ(rimAlphaAt(100, 60), 0) << "no picture yet, so the middle stays clear";

    view.resize(300, 160);
    EXPECT_GT(rimAlphaAt(299, 80), 30);
    EXPECT_GT(rimAlphaAt(150, 159), 30);
    EXPECT_EQ(rimAlphaAt(199, 80), 0) << "the old right edge is gone";
}

TEST_F(PreviewTest, TheShownPreviewSharesEveryFrameTheRegionAndTheBanner)
{
    defaults::Defaults::standard().set("hoverPreviewDelay", 0);
    PipPanel* panel = makePanel();
    views::PanelContentView& view = *panel->content;
    clock().advance(0.5);
    const desktop::PixelBufferRef first = view.mirrorView().contents();
    ASSERT_TRUE(first) << "the stream delivers frames";

    enter(*panel);
    clock().runUntilIdle();
    ASSERT_TRUE(panel->hoverPreview->previewPanel);
    views::PreviewContentView& content = *panel->hoverPreview->previewPanel->content;
    // The last frame at once: the same pixels, not a copy.
    EXPECT_EQ(content.mirrorView->contents(), first);

    // Every later frame reaches all three views as one buffer.
    clock().advance(0.3);
    EXPECT_NE(view.mirrorView().contents(), first);
    EXPECT_EQ(content.mirrorView->contents(), view.mirrorView().contents());

    view.setBaseContentRegion({0.1, 0, 0.8, 1});
    EXPECT_EQ(content.mirrorView->contentsRegion(), core::Rect(0.1, 0, 0.8, 1));

    view.setFrozenBanner(true);
    clock().advance(0.3);
    EXPECT_EQ(views::viewAlpha(*content.frozenBanner), 1.0);

    content.showHint("跨桌面应用只能预览不能交互");
    EXPECT_EQ(views::viewAlpha(*content.hintLabel), 1.0);
    EXPECT_EQ(content.hintLabel->text().toStdString(), "跨桌面应用只能预览不能交互");
    EXPECT_EQ(content.hintLabel->textFormat(), Qt::PlainText) << "a hint may name another application";
    EXPECT_EQ(linesWith("showHint: '跨桌面应用只能预览不能交互' alpha当前=0.0").size(), 1u);

    // Hidden, frames no longer reach it; shown again, the hint is gone and the banner
    // follows the mini window's.
    leave(*panel);
    const desktop::PixelBufferRef lastShown = content.mirrorView->contents();
    clock().advance(0.3);
    EXPECT_EQ(content.mirrorView->contents(), lastShown);
    view.setFrozenBanner(false);
    enter(*panel);
    clock().advance(0.3);
    EXPECT_EQ(content.mirrorView->contents(), view.mirrorView().contents());
    EXPECT_EQ(views::viewAlpha(*content.hintLabel), 0.0);
    EXPECT_EQ(views::viewAlpha(*content.frozenBanner), 0.0);
}

TEST_F(PreviewTest, AShowForAHiddenOrClosedPanelIsSkippedAndClosingTakesThePreviewAlong)
{
    PipPanel* hidden = makePanel();
    hidden->orderOut();
    hidden->hoverPreview->showPreview();
    EXPECT_FALSE(hidden->hoverPreview->previewVisible);
    EXPECT_EQ(linesWith("showPreview 跳过: panel 不可见").size(), 1u);

    PipPanel* panel = makePanel();
    enter(*panel);
    clock().advance(0.6);
    QPointer<views::PreviewPanel> preview = panel->hoverPreview->previewPanel.get();
    ASSERT_TRUE(preview);
    panel->closePanel(false);
    clock().runUntilIdle();
    EXPECT_FALSE(preview);

    // A show armed on a panel that closes before it fires does nothing.
    PipPanel* closing = makePanel();
    enter(*closing);
    closing->closePanel(false);
    clock().advance(1);
    EXPECT_EQ(linesWith("showPreview: panel=").size(), 1u);
}

// The pointer moving on the desktop: from the top bar into the picture shows the preview,
// back up into the bar hides it, as does an edge strip. The panel lies in a corner, away
// from the preview.
TEST_F(PreviewTest, ThePreviewFollowsThePointerIntoAndOutOfThePicturesInnerArea)
{
    static_cast<sim::SimInput&>(*desktop().input).setPolledPointerLags(true);
    PipPanel* panel = makePanel();
    panel->setFrameOrigin({0, visibleFrame.maxY() - panel->frame().height()});
    showChromeNow(*panel);
    const auto moveTo = [&](double x, double yFromTop) {
        post(desktop::EventType::mouseMoved, at(*panel, x, yFromTop));
        clock().runUntilIdle();
    };

    moveTo(60, 10);  // the top bar
    clock().advance(1);
    EXPECT_FALSE(panel->hoverPreview->previewVisible);

    moveTo(60, 60);
    clock().advance(0.6);
    EXPECT_TRUE(panel->hoverPreview->previewVisible);

    moveTo(60, 10);
    EXPECT_FALSE(panel->hoverPreview->previewVisible);

    moveTo(60, 60);
    clock().advance(0.6);
    EXPECT_TRUE(panel->hoverPreview->previewVisible);
    moveTo(3, 60);  // the left edge strip
    EXPECT_FALSE(panel->hoverPreview->previewVisible);

    // A menu chosen over the picture closes: the pointer comes in without moving, and
    // only its first motion shows the preview.
    leave(*panel);
    enter(*panel, {60, 60}, false);
    clock().advance(1);
    EXPECT_FALSE(panel->hoverPreview->previewVisible);
    moveTo(61, 60);
    clock().advance(0.6);
    ASSERT_TRUE(panel->hoverPreview->previewVisible);
    // Onto the preview, it stays, though the polled reading from before lies over neither.
    const core::Rect preview = panel->hoverPreview->previewPanel->frame();
    post(desktop::EventType::mouseMoved, {preview.midX(), preview.midY()});
    clock().advance(0.3);
    EXPECT_TRUE(panel->hoverPreview->previewVisible);
}

}  // namespace
