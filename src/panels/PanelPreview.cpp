// The hover preview of a mini window: its settings, the delayed show, the show itself,
// the fade-out and the preview's frame.
#include "capture/MirrorView.h"
#include "foundation/Diag.h"
#include "panels/PanelContentView.h"
#include "panels/PipPanel.h"
#include "panels/PreviewContentView.h"
#include "panels/PreviewGeometry.h"
#include "panels/PreviewPanel.h"
#include "panels/ViewAlpha.h"
#include "platform/defaults/SettingsTable.h"

#include <QLabel>
#include <QPointer>

using namespace panels;

namespace {

constexpr double stateCheckDelay = 0.3;

std::string flag(bool value) { return value ? "true" : "false"; }

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
std::string stateCheckLine(const PreviewPanel& preview)
{
    return "预览状态核对: frame=" + core::rectText(preview.frame()) + " alpha=" + core::numberText(preview.alphaValue()) +
           " visible=" + flag(preview.isVisible()) + " occluded=" + flag(!preview.isVisible()) +
           " level=" + std::to_string(preview.level()) + " parent=" + flag(preview.parentWindow() != nullptr) +
           " content=" + core::rectText(widgetRect(*preview.content)) +
           " mirror=" + core::rectText(widgetRect(*preview.content->mirrorView));
}

}  // namespace

bool PanelContentView::previewEnabled() const { return defaults::setting::hoverPreviewEnabled.value(); }

double PanelContentView::hoverPreviewDelay() const { return defaults::setting::hoverPreviewDelay.value(); }

double PanelContentView::previewScale() const { return defaults::setting::hoverPreviewScale.value(); }

core::Rect PanelContentView::previewFrame(const PipPanel& owner) const
{
    const auto screen = previewScreen(owner);
    if (!screen) return {};
    return panels::previewFrame(screen->visibleFrame, owner.mirror->sourceSize(), previewScale());
}

void PanelContentView::schedulePreviewShow()
{
    const bool enabled = previewEnabled();
    const PreviewFlags flags{.timerPending = !previewShowTimer.isEmpty() && !previewShowTimer.isCancelled(),
                             .visible = previewVisible,
                             .pinned = pinned};
    if (const auto skip = PreviewStateMachine::scheduleSkipLine(enabled, flags)) {
        Diag::log(*skip);
        return;
    }
    previewShowTimer = dispatch::main().asyncAfter(hoverPreviewDelay(), [self = QPointer<PanelContentView>(this)] {
        if (!self) return;
        self->previewShowTimer = {};
        self->showPreview();
    });
}

void PanelContentView::showPreview()
{
    QPointer<PipPanel> owner = panel;
    if (!owner || !owner->isVisible()) {
        Diag::log("showPreview 跳过: panel 不可见");
        return;
    }
    const auto screen = owner->screen();
    if (!previewScreen(*owner)) {
        Diag::log("showPreview 跳过: 无屏幕");
        return;
    }
    previewVisible = true;
    previewMachine_.shown();
    const core::Rect target = previewFrame(*owner);
    Diag::log("showPreview: panel=" + core::rectText(owner->frame()) +
              " 屏=" + (screen ? screen->localizedName : std::string("无")) + " 预览目标frame=" + core::rectText(target));

    if (!previewPanel) {
        previewPanel = std::make_unique<PreviewPanel>();
        previewPanel->ownerPanel = owner;
        previewPanel->content->mirrorView->onShownSizeChange = [this] { reportShownSize(); };
    }
    PreviewPanel& preview = *previewPanel;
    preview.setFrame(target);
    preview.setDimmed(false);
    setViewAlpha(*preview.content->hintLabel, 0);
    preview.content->mirrorView->setContentsRegion(focus.composedInto(baseContentRegion));
    preview.setLevel(PreviewPanel::windowLevel);
    if (!preview.parentWindow()) owner->addChildWindow(preview);
    preview.orderFrontRegardless();
    preview.animateAlpha(1.0, PreviewPanel::fadeInDuration);

    const desktop::PixelBufferRef& current = mirrorView->contents();
    Diag::log("displayCurrent: PIP contents=" + flag(current != nullptr) + " 预览layer=true");
    preview.displayCurrent(current);
    preview.content->setFrozen(frozenOn);

    dispatch::main().asyncAfter(stateCheckDelay, [weak = QPointer<PreviewPanel>(&preview)] {
        if (weak) Diag::log(stateCheckLine(*weak));
    });
}

void PanelContentView::hidePreview()
{
    previewShowTimer.cancel();
    previewShowTimer = {};
    if (!previewVisible) return;
    Diag::log("hidePreview: 收起预览");
    previewVisible = false;
    if (!previewPanel) return;
    const PreviewStateMachine::FadeTicket ticket = previewMachine_.beginFadeOut();
    previewPanel->animateAlpha(0, PreviewPanel::fadeOutDuration, [self = QPointer<PanelContentView>(this), ticket] {
        if (!self || !self->previewPanel) return;
        if (self->previewMachine_.fadeEnded(ticket, self->previewVisible)) self->previewPanel->orderOut();
    });
}
