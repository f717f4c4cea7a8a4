// A press on the mini window's picture, pinning the preview, and what ends a pin from
// outside (Escape, a click elsewhere); the forwarding mode's clicks in the preview.
#include "panels/PanelContentView.h"

#include "capture/MirrorView.h"
#include "foundation/Diag.h"
#include "foundation/EventBridge.h"
#include "foundation/L10n.h"
#include "foundation/LogText.h"
#include "foundation/WindowQuery.h"
#include "panels/GlobalClickDecision.h"
#include "panels/PipPanel.h"
#include "panels/PressClassification.h"
#include "panels/PreviewContentView.h"
#include "panels/PreviewPanel.h"
#include "platform/defaults/SettingsTable.h"
#include "platform/desktop/Desktop.h"
#include "platform/ui/Coordinates.h"

#include <algorithm>

namespace {

QPointer<PanelContentView>& pinnedSlot()
{
    static QPointer<PanelContentView> view;
    return view;
}

// The pointer in screen coordinates.
core::Point mouseLocation()
{
    const core::Point global = desktop::input().pointerLocation();
    return ui::screenPoint(QPointF(global.x, global.y));
}

unsigned pressedMouseButtons()
{
    unsigned mask = 0;
    for (int button = 0; button < 3; ++button)
        if (desktop::input().isButtonDown(button)) mask |= 1u << button;
    return mask;
}

std::optional<std::string> sourceAppName(const PipPanel& panel)
{
    if (!panel.target.owningApplication || panel.target.owningApplication->applicationName.empty()) return std::nullopt;
    return panel.target.owningApplication->applicationName;
}

}  // namespace

PanelContentView* PanelContentView::pinnedView() { return pinnedSlot(); }

void PanelContentView::clearPinnedView() { pinnedSlot() = nullptr; }

// ---- presses on the picture ----

void PanelContentView::picturePress(const pin::PressDecision& decision)
{
    QPointer<PipPanel> owner = panel;
    if (!owner) return;
    const QPointer<PanelContentView> self(this);
    switch (decision.kind) {
    case pin::PressKind::pinAfterDelay:
        previewShowTimer.cancel();
        previewShowTimer = {};
        pendingSingleClickWork.cancel();
        pendingSingleClickWork = dispatch::main().asyncAfter(pin::singleClickDelay, [self] {
            if (!self || !self->parentWidget()) return;
            const auto verdict =
                pin::delayedClickVerdict(mouseLocation(), self->singleClickDownGlobal, pressedMouseButtons());
            if (verdict.pins) return self->enterPinnedPreview();
            Diag::log(verdict.logLine);
        });
        return;
    case pin::PressKind::focusHint:
        if (!decision.logLine.empty()) Diag::log(decision.logLine);
        pendingFocusHintWork.cancel();
        pendingFocusHintWork = dispatch::main().asyncAfter(pin::singleClickDelay, [self] {
            if (self) self->showTransientHint(L10n::t("聚焦模式不支持单击预览"), pin::focusHintDuration);
        });
        return;
    case pin::PressKind::pictureDouble: {
        cancelPendingSingleClickActions();
        hidePreview();
        const bool opensOriginal = defaults::setting::pipDoubleClickOpensOriginal.value();
        Diag::log(pin::pictureDoubleClickLogLine(opensOriginal));
        const auto leave = pin::leaveRequest(pin::LeaveCause::pictureDoubleClick);
        exitPinnedPreview(leave.frontPid, leave.frontWindowID, leave.restoreFrontOrder);
        if (!owner) return;
        if (opensOriginal) {
            if (const auto pid = EventBridge::pidOf(owner->target); pid && desktop::workspace().application(*pid))
                desktop::workspace().activate(*pid, desktop::ActivationOptions{.allWindows = true});
            owner->closePanel(true);
        } else {
            EventBridge::focus(owner->target);
        }
        return;
    }
    case pin::PressKind::barDrag:
    case pin::PressKind::barDouble: return;
    }
}

// ---- pinning ----

void PanelContentView::enterPinnedPreview()
{
    QPointer<PipPanel> owner = panel;
    if (!owner || !owner->isVisible()) {
        Diag::log("enterPinnedPreview 跳过: panel 不可见");
        return;
    }
    if (takeoverActive) {
        Diag::log("enterPinnedPreview: 已在接管中→聚焦源窗口");
        EventBridge::focus(owner->target);
        showTransientHint(L10n::t("已处于固定预览（Esc 或点击空白退出）"), pin::focusHintDuration);
        return;
    }
    // One pin per process: both would aim at the same box and the same top-edge tap.
    if (PanelContentView* other = pinnedView(); other && other != this) {
        const auto leave = pin::leaveRequest(pin::LeaveCause::pictureDoubleClick);
        other->exitPinnedPreview(leave.frontPid, leave.frontWindowID, leave.restoreFrontOrder);
    }
    EventBridge::ensureAccessibility(true);
    Diag::log("enterPinnedPreview: visible=" + boolText(previewVisible) +
              " previewPanel=" + boolText(previewPanel != nullptr));
    pinned = true;
    pinnedSlot() = this;

    bool ok = false;
    if (previewVisible) {
        ok = enterTakeoverMode(std::nullopt);
    } else {
        previewShowTimer.cancel();
        previewShowTimer = {};
        Diag::log("enterPinnedPreview: 预览未显示（延时内单击）→ 跳过悬停预览直接接管");
        ok = enterTakeoverMode(previewFrame(*owner));
        if (!ok && panel) showPreview();
    }
    if (!ok) {
        if (previewPanel) {
            previewPanel->setIgnoresMouseEvents(false);
            previewPanel->content->setMouseTracking(true);
            previewPanel->content->onMouseDown = [self = QPointer<PanelContentView>(this)](QPointF local, int clickCount) {
                if (self) self->previewPress(local, clickCount);
            };
        }
        Diag::log("单击固定: 接管未生效→转发模式 previewPanel=" + boolText(previewPanel != nullptr));
    }
    installPinMonitors();
}

void PanelContentView::installPinMonitors()
{
    const QPointer<PanelContentView> self(this);
    auto& input = desktop::input();
    if (!globalClickMonitor) {
        globalClickMonitor = input.addGlobalMonitor(desktop::maskOf(desktop::EventType::leftMouseDown),
                                                    [self](const desktop::Event& event) {
                                                        if (self) self->handleGlobalClick(event);
                                                    });
    }
    if (!escMonitors.empty()) return;
    const std::uint64_t keyDown = desktop::maskOf(desktop::EventType::keyDown);
    escMonitors.push_back(input.addGlobalMonitor(keyDown, [self](const desktop::Event& event) {
        if (!self || !self->pinned || event.keyCode != desktop::key::escape) return;
        Diag::log("Esc(全局)→退出固定");
        const auto leave = pin::leaveRequest(pin::LeaveCause::escape);
        self->exitPinnedPreview(leave.frontPid, leave.frontWindowID, leave.restoreFrontOrder);
    }));
    escMonitors.push_back(
        input.addLocalMonitor(keyDown, [self](const desktop::Event& event) -> std::optional<desktop::Event> {
            if (!self || !self->pinned || event.keyCode != desktop::key::escape) return event;
            Diag::log("Esc(本地)→退出固定");
            const auto leave = pin::leaveRequest(pin::LeaveCause::escape);
            self->exitPinnedPreview(leave.frontPid, leave.frontWindowID, leave.restoreFrontOrder);
            return std::nullopt;
        }));
}

void PanelContentView::removePinMonitors()
{
    if (globalClickMonitor) desktop::input().removeMonitor(*globalClickMonitor);
    globalClickMonitor.reset();
    for (const desktop::Token token : escMonitors) desktop::input().removeMonitor(token);
    escMonitors.clear();
}

void PanelContentView::handleGlobalClick(const desktop::Event& event)
{
    QPointer<PipPanel> owner = panel;
    if (!owner) return;
    pin::GlobalClick click;
    click.eventWindow = event.targetWindow;
    click.pointer = mouseLocation();
    click.screens = ui::screens();
    click.panelScreen = owner->screen();
    for (const PipPanel* other : PipPanel::all()) click.miniWindows.push_back({other->frame(), sourceAppName(*other)});
    click.lastForwardTime = EventBridge::lastForwardTime;
    click.now = dispatch::now();
    click.takeoverActive = takeoverActive;
    click.takeoverCrossSpace = takeoverCrossSpace;
    click.targetWindow = owner->target.windowID;
    click.ownerName = EventBridge::windowOwnerName;
    click.ownerPidAt = EventBridge::windowOwnerPid;

    const pin::GlobalClickDecision decision = pin::decideGlobalClick(click);
    if (decision.showCrossSpaceHint) showHint(L10n::t("跨桌面应用只能预览不能交互"));
    if (!decision.logLine.empty()) Diag::log(decision.logLine);
    if (decision.kind != pin::GlobalClickDecision::Kind::leave) return;
    const auto leave = pin::leaveRequest(pin::LeaveCause::outsideClick, decision.frontPid, decision.frontWindowID);
    exitPinnedPreview(leave.frontPid, leave.frontWindowID, leave.restoreFrontOrder);
}

// ---- the forwarding mode: presses in the preview ----

void PanelContentView::previewPress(QPointF local, int clickCount)
{
    QPointer<PipPanel> owner = panel;
    if (!owner || !previewPanel) return;
    if (!WindowQuery::onScreenInfo(owner->target.windowID)) {
        previewPanel->content->showHint(L10n::t("跨桌面应用只能预览不能交互"));
        return;
    }
    const QRectF picture = previewPanel->content->mirrorView->geometry();
    if (picture.contains(local)) {
        forwardPreviewClick({local.x() - picture.x(), local.y() - picture.y()}, {picture.width(), picture.height()},
                            std::max(clickCount, 1));
        return;
    }
    Diag::log("固定预览: 点击画面外留白 (" + core::pointText({local.x(), local.y()}) + ") 画面区=" +
              core::rectText({picture.x(), picture.y(), picture.width(), picture.height()}) + " → 退出固定");
    const auto leave = pin::leaveRequest(pin::LeaveCause::marginClick);
    exitPinnedPreview(leave.frontPid, leave.frontWindowID, leave.restoreFrontOrder);
}

bool PanelContentView::forwardPreviewClick(core::Point pointInPicture, core::Size pictureSize, int clickCount)
{
    if (!panel || !previewPanel) return false;
    EventBridge::lastForwardTime = dispatch::now();
    // The desktop routes a posted event when it is posted: with the preview lying over the
    // source window, the click would otherwise come back to the preview and be forwarded
    // again.
    const QPointer<PreviewPanel> preview(previewPanel.get());
    preview->setIgnoresMouseEvents(true);
    const bool forwarded = EventBridge::forwardClick(pointInPicture, pictureSize, panel->target, clickCount);
    if (preview && pinned && !takeoverActive) preview->setIgnoresMouseEvents(false);
    return forwarded;
}
