// The hover preview of a mini window: its settings, the delayed show, the show itself,
// the fade-out and the preview's frame.
#include "panels/pin/HoverPreview.h"

#include "capture/MirrorView.h"
#include "foundation/Diag.h"
#include "panels/views/FrozenBanner.h"
#include "panels/views/PanelContentView.h"
#include "panels/pin/PinSession.h"
#include "panels/PipPanel.h"
#include "panels/views/PreviewContentView.h"
#include "panels/rules/PreviewGeometry.h"
#include "panels/views/PreviewPanel.h"
#include "panels/views/ViewAlpha.h"
#include "platform/defaults/SettingsTable.h"
#include "platform/desktop/Desktop.h"

#include <QLabel>
#include <QPointer>

namespace pin {

using panels::PreviewFlags;
using panels::PreviewStateMachine;

namespace {

constexpr double stateCheckDelay = 0.3;
constexpr double pointerWatchInterval = 0.1;

std::string flag(bool value) { return value ? "true" : "false"; }

core::Point onScreen(core::Point global)
{
    return core::flipped(global, desktop::firstScreenHeight(desktop::displays()));
}

std::optional<ui::Screen> previewScreen(const PipPanel& panel)
{
    if (auto screen = panel.screen()) return screen;
    if (auto main = ui::mainScreen()) return main;
    const auto all = ui::screens();
    if (all.empty()) return std::nullopt;
    return all.front();
}

core::Rect widgetRect(const QWidget& view)
{
    return {1.0 * view.x(), 1.0 * view.y(), 1.0 * view.width(), 1.0 * view.height()};
}

// What the preview looks like 0.3 s after a show; diagnostics only.
std::string stateCheckLine(const views::PreviewPanel& preview)
{
    return "预览状态核对: frame=" + core::rectText(preview.frame()) + " alpha=" + core::numberText(preview.alphaValue()) +
           " visible=" + flag(preview.isVisible()) + " occluded=" + flag(!preview.isVisible()) +
           " level=" + std::to_string(preview.level()) + " parent=" + flag(preview.parentWindow() != nullptr) +
           " content=" + core::rectText(widgetRect(*preview.content)) +
           " mirror=" + core::rectText(widgetRect(*preview.content->mirrorView));
}

// The preview's banner says what the mini window's says.
void showFrozen(views::PreviewContentView& preview, const views::PanelContentView& view, bool on)
{
    preview.frozenBanner->setCause(view.frozenBanner().cause());
    preview.setFrozen(on);
}

}  // namespace

HoverPreview::HoverPreview(PipPanel& panel) : panel_(panel) {}

HoverPreview::~HoverPreview()
{
    // The preview's picture goes with this body: what it reports then is no longer heard.
    if (previewPanel) previewPanel->content->mirrorView->onShownSizeChange = {};
    previewShowTimer.cancel();
}

bool HoverPreview::previewEnabled() const { return defaults::setting::hoverPreviewEnabled.value(); }

double HoverPreview::hoverPreviewDelay() const { return defaults::setting::hoverPreviewDelay.value(); }

double HoverPreview::previewScale() const { return defaults::setting::hoverPreviewScale.value(); }

core::Rect HoverPreview::previewFrame() const
{
    const auto screen = previewScreen(panel_);
    if (!screen) return {};
    return panels::previewFrame(screen->visibleFrame, panel_.mirror->sourceSize(), previewScale(), panel_.frame().size);
}

void HoverPreview::schedulePreviewShow()
{
    const bool enabled = previewEnabled();
    const PreviewFlags flags{.timerPending = !previewShowTimer.isEmpty() && !previewShowTimer.isCancelled(),
                             .visible = previewVisible,
                             .pinned = panel_.pinSession->pinned};
    if (const auto skip = PreviewStateMachine::scheduleSkipLine(enabled, flags)) {
        Diag::log(*skip);
        return;
    }
    previewShowTimer = dispatch::main().asyncAfter(hoverPreviewDelay(), lifetime_.guard([](HoverPreview& self) {
        self.previewShowTimer = {};
        self.showPreview();
    }));
}

void HoverPreview::cancelPendingShow()
{
    previewShowTimer.cancel();
    previewShowTimer = {};
}

void HoverPreview::showPreview()
{
    PipPanel& owner = panel_;
    if (!owner.isVisible()) {
        Diag::log("showPreview 跳过: panel 不可见");
        return;
    }
    const auto screen = owner.screen();
    if (!previewScreen(owner)) {
        Diag::log("showPreview 跳过: 无屏幕");
        return;
    }
    previewVisible = true;
    previewMachine_.shown();
    const core::Rect target = previewFrame();
    Diag::log("showPreview: panel=" + core::rectText(owner.frame()) +
              " 屏=" + (screen ? screen->localizedName : std::string("无")) + " 预览目标frame=" + core::rectText(target));

    views::PanelContentView& view = *owner.content;
    if (!previewPanel) {
        previewPanel = std::make_unique<views::PreviewPanel>();
        previewPanel->ownerPanel = &owner;
        previewPanel->content->mirrorView->onShownSizeChange = [&view] { view.reportShownSize(); };
    }
    views::PreviewPanel& preview = *previewPanel;
    preview.setFrame(target);
    preview.setDimmed(false);
    views::setViewAlpha(*preview.content->hintLabel, 0);
    preview.content->mirrorView->setContentsRegion(view.shownRegion());
    preview.setLevel(views::PreviewPanel::windowLevel);
    if (!preview.parentWindow()) owner.addChildWindow(preview);
    preview.orderFrontRegardless();
    preview.animateAlpha(1.0, views::PreviewPanel::fadeInDuration);

    const desktop::PixelBufferRef& current = view.mirrorView().contents();
    Diag::log("displayCurrent: PIP contents=" + flag(current != nullptr) + " 预览layer=true");
    preview.displayCurrent(current);
    showFrozen(*preview.content, view, view.frozenOn());

    dispatch::main().asyncAfter(stateCheckDelay, [weak = QPointer<views::PreviewPanel>(&preview)] {
        if (weak) Diag::log(stateCheckLine(*weak));
    });
}

void HoverPreview::hidePreview()
{
    pointerWatch_.cancel();
    previewShowTimer.cancel();
    previewShowTimer = {};
    if (!previewVisible) return;
    Diag::log("hidePreview: 收起预览");
    previewVisible = false;
    if (!previewPanel) return;
    const PreviewStateMachine::FadeTicket ticket = previewMachine_.beginFadeOut();
    previewPanel->animateAlpha(0, views::PreviewPanel::fadeOutDuration, lifetime_.guard([ticket](HoverPreview& self) {
        if (!self.previewPanel) return;
        if (self.previewMachine_.fadeEnded(ticket, self.previewVisible)) self.previewPanel->orderOut();
    }));
}

void HoverPreview::pointerLeftPicture()
{
    if (!previewVisible || !previewPanel) return hidePreview();
    const core::Point pointer = onScreen(desktop::input().pointerLocation());
    if (!previewPanel->frame().contains(pointer)) return hidePreview();
    if (pointerWatch_.isActive()) return;
    Diag::log("预览保留: 指针在预览上 " + core::pointText(pointer));
    // A polled reading may be as old as the last poll: this one asks anew for the first tick.
    desktop::input().polledPointerLocation();
    pointerWatch_ = dispatch::Timer(dispatch::main(), pointerWatchInterval,
                                    lifetime_.guard([](HoverPreview& self) { self.checkPointerStillOver(); }));
}

void HoverPreview::checkPointerStillOver()
{
    // A pin holds the preview by itself, and a preview that went needs no watch.
    if (!previewVisible || !previewPanel || panel_.pinSession->pinned) return pointerWatch_.cancel();
    const core::Point pointer = onScreen(desktop::input().polledPointerLocation());
    if (!previewPanel->frame().contains(pointer) && !pictureFrame().contains(pointer)) hidePreview();
}

core::Rect HoverPreview::pictureFrame() const
{
    const QRectF area = panel_.content->previewArea();
    const core::Rect frame = panel_.frame();
    return {frame.minX() + area.x(), frame.maxY() - area.bottom(), area.width(), area.height()};
}

void HoverPreview::display(const desktop::PixelBufferRef& buffer)
{
    if (!previewVisible || !previewPanel) return;
    if (MirrorView::claimFirstPreviewFrameLog()) Diag::log("预览帧分发: 首次调用 p.display previewVisible=true");
    previewPanel->content->syncMirrorFrame();
    previewPanel->content->mirrorView->display(buffer);
}

void HoverPreview::setContentsRegion(const core::Rect& crop)
{
    if (previewPanel) previewPanel->content->mirrorView->setContentsRegion(crop);
}

void HoverPreview::setFrozen(bool on)
{
    if (previewPanel) showFrozen(*previewPanel->content, *panel_.content, on);
}

QSize HoverPreview::shownFrameSize() const
{
    return previewPanel ? previewPanel->content->mirrorView->shownFrameSize() : QSize();
}

}  // namespace pin
