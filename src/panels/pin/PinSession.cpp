// A press on the mini window's picture, pinning the preview, and what ends a pin from
// outside (Escape, a click elsewhere); the forwarding mode's clicks in the preview.
#include "panels/pin/PinSession.h"

#include "capture/MirrorView.h"
#include "foundation/Diag.h"
#include "foundation/EventBridge.h"
#include "foundation/L10n.h"
#include "foundation/LogText.h"
#include "foundation/WindowQuery.h"
#include "panels/pin/FixedPreviewTopStrip.h"
#include "panels/rules/GlobalClickDecision.h"
#include "panels/pin/HoverPreview.h"
#include "panels/views/PanelContentView.h"
#include "panels/PipPanel.h"
#include "panels/rules/PressClassification.h"
#include "panels/views/PreviewContentView.h"
#include "panels/views/PreviewPanel.h"
#include "platform/defaults/SettingsTable.h"
#include "platform/desktop/Desktop.h"
#include "platform/ui/Coordinates.h"

#include <algorithm>

namespace pin {

namespace {

PinSession*& pinnedSlot()
{
    static PinSession* session = nullptr;
    return session;
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

PinSession::PinSession(PipPanel& panel) : panel_(panel) {}

PinSession::~PinSession()
{
    cancelPendingSingleClickActions();
    // A session that goes while pinned leaves no monitor, tap or pinned slot behind.
    removePinMonitors();
    FixedPreviewTopStrip::uninstall(topStripInstallation_);
    if (pinnedSlot() == this) clearPinnedSession();
}

PinSession* PinSession::pinnedSession() { return pinnedSlot(); }

void PinSession::clearPinnedSession() { pinnedSlot() = nullptr; }

views::PanelContentView& PinSession::view() const { return *panel_.content; }

HoverPreview& PinSession::preview() const { return *panel_.hoverPreview; }

void PinSession::cancelPendingSingleClickActions()
{
    pendingSingleClickWork.cancel();
    pendingSingleClickWork = {};
    pendingFocusHintWork.cancel();
    pendingFocusHintWork = {};
}

// ---- presses on the picture ----

void PinSession::picturePress(const panels::PressDecision& decision)
{
    PipPanel& owner = panel_;
    switch (decision.kind) {
    case panels::PressKind::pinAfterDelay:
        preview().cancelPendingShow();
        pendingSingleClickWork.cancel();
        pendingSingleClickWork =
            dispatch::main().asyncAfter(panels::singleClickDelay, lifetime_.guard([](PinSession& self) {
                if (!self.view().parentWidget()) return;
                const auto verdict =
                    panels::delayedClickVerdict(mouseLocation(), self.singleClickDownGlobal, pressedMouseButtons());
                if (verdict.pins) return self.enterPinnedPreview();
                Diag::log(verdict.logLine);
            }));
        return;
    case panels::PressKind::focusHint:
        if (!decision.logLine.empty()) Diag::log(decision.logLine);
        pendingFocusHintWork.cancel();
        pendingFocusHintWork =
            dispatch::main().asyncAfter(panels::singleClickDelay, lifetime_.guard([](PinSession& self) {
                self.view().showTransientHint(L10n::t("聚焦模式不支持单击预览"), panels::focusHintDuration);
            }));
        return;
    case panels::PressKind::pictureDouble: {
        cancelPendingSingleClickActions();
        preview().hidePreview();
        const bool opensOriginal = defaults::setting::pipDoubleClickOpensOriginal.value();
        Diag::log(panels::pictureDoubleClickLogLine(opensOriginal));
        const auto leave = leaveRequest(LeaveCause::pictureDoubleClick);
        exitPinnedPreview(leave.frontPid, leave.frontWindowID, leave.restoreFrontOrder);
        if (opensOriginal) {
            if (const auto pid = EventBridge::pidOf(owner.target); pid && desktop::workspace().application(*pid))
                desktop::workspace().activate(*pid, desktop::ActivationOptions{.allWindows = true});
            owner.closePanel(true);
        } else {
            EventBridge::focus(owner.target);
        }
        return;
    }
    case panels::PressKind::barDrag:
    case panels::PressKind::barDouble: return;
    }
}

// ---- pinning ----

void PinSession::enterPinnedPreview()
{
    PipPanel& owner = panel_;
    if (!owner.isVisible()) {
        Diag::log("enterPinnedPreview 跳过: panel 不可见");
        return;
    }
    if (takeoverActive) {
        Diag::log("enterPinnedPreview: 已在接管中→聚焦源窗口");
        EventBridge::focus(owner.target);
        view().showTransientHint(L10n::t("已处于固定预览（Esc 或点击空白退出）"), panels::focusHintDuration);
        return;
    }
    // One pin per process: both would aim at the same box and the same top-edge tap.
    if (PinSession* other = pinnedSession(); other && other != this) {
        const auto leave = leaveRequest(LeaveCause::pictureDoubleClick);
        other->exitPinnedPreview(leave.frontPid, leave.frontWindowID, leave.restoreFrontOrder);
    }
    HoverPreview& hover = preview();
    EventBridge::ensureAccessibility(true);
    Diag::log("enterPinnedPreview: visible=" + boolText(hover.previewVisible) +
              " previewPanel=" + boolText(hover.previewPanel != nullptr));
    pinned = true;
    pinnedSlot() = this;

    bool ok = false;
    if (hover.previewVisible) {
        ok = enterTakeoverMode(std::nullopt);
    } else {
        hover.cancelPendingShow();
        Diag::log("enterPinnedPreview: 预览未显示（延时内单击）→ 跳过悬停预览直接接管");
        ok = enterTakeoverMode(hover.previewFrame());
        if (!ok) hover.showPreview();
    }
    if (!ok) {
        if (hover.previewPanel) {
            hover.previewPanel->setIgnoresMouseEvents(false);
            hover.previewPanel->content->setMouseTracking(true);
            hover.previewPanel->content->onMouseDown = lifetime_.guard(
                [](PinSession& self, QPointF local, int clickCount) { self.previewPress(local, clickCount); });
        }
        Diag::log("单击固定: 接管未生效→转发模式 previewPanel=" + boolText(hover.previewPanel != nullptr));
    }
    installPinMonitors();
}

// The monitors are removed before this session goes, so they call it directly.
void PinSession::installPinMonitors()
{
    auto& input = desktop::input();
    if (!globalClickMonitor) {
        globalClickMonitor = input.addGlobalMonitor(desktop::maskOf(desktop::EventType::leftMouseDown),
                                                    [this](const desktop::Event& event) { handleGlobalClick(event); });
    }
    if (!escMonitors.empty()) return;
    const std::uint64_t keyDown = desktop::maskOf(desktop::EventType::keyDown);
    escMonitors.push_back(input.addGlobalMonitor(keyDown, [this](const desktop::Event& event) {
        if (!pinned || event.keyCode != desktop::key::escape) return;
        Diag::log("Esc(全局)→退出固定");
        const auto leave = leaveRequest(LeaveCause::escape);
        exitPinnedPreview(leave.frontPid, leave.frontWindowID, leave.restoreFrontOrder);
    }));
    escMonitors.push_back(
        input.addLocalMonitor(keyDown, [this](const desktop::Event& event) -> std::optional<desktop::Event> {
            if (!pinned || event.keyCode != desktop::key::escape) return event;
            Diag::log("Esc(本地)→退出固定");
            const auto leave = leaveRequest(LeaveCause::escape);
            exitPinnedPreview(leave.frontPid, leave.frontWindowID, leave.restoreFrontOrder);
            return std::nullopt;
        }));
}

void PinSession::removePinMonitors()
{
    if (globalClickMonitor) desktop::input().removeMonitor(*globalClickMonitor);
    globalClickMonitor.reset();
    for (const desktop::Token token : escMonitors) desktop::input().removeMonitor(token);
    escMonitors.clear();
}

void PinSession::handleGlobalClick(const desktop::Event& event)
{
    const PipPanel& owner = panel_;
    panels::GlobalClick click;
    click.eventWindow = event.targetWindow;
    click.pointer = mouseLocation();
    click.screens = ui::screens();
    click.panelScreen = owner.screen();
    for (const PipPanel* other : PipPanel::all()) click.miniWindows.push_back({other->frame(), sourceAppName(*other)});
    click.lastForwardTime = EventBridge::lastForwardTime;
    click.now = dispatch::now();
    click.takeoverActive = takeoverActive;
    click.takeoverCrossSpace = takeoverCrossSpace;
    click.targetWindow = owner.target.windowID;
    click.ownerName = EventBridge::windowOwnerName;
    click.ownerPidAt = EventBridge::windowOwnerPid;

    const panels::GlobalClickDecision decision = panels::decideGlobalClick(click);
    if (decision.showCrossSpaceHint) view().showHint(L10n::t("跨桌面应用只能预览不能交互"));
    if (!decision.logLine.empty()) Diag::log(decision.logLine);
    if (decision.kind != panels::GlobalClickDecision::Kind::leave) return;
    const auto leave = leaveRequest(LeaveCause::outsideClick, decision.frontPid, decision.frontWindowID);
    exitPinnedPreview(leave.frontPid, leave.frontWindowID, leave.restoreFrontOrder);
}

// ---- the forwarding mode: presses in the preview ----

void PinSession::previewPress(QPointF local, int clickCount)
{
    views::PreviewPanel* previewPanel = preview().previewPanel.get();
    if (!previewPanel) return;
    if (!WindowQuery::onScreenInfo(panel_.target.windowID)) {
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
    const auto leave = leaveRequest(LeaveCause::marginClick);
    exitPinnedPreview(leave.frontPid, leave.frontWindowID, leave.restoreFrontOrder);
}

bool PinSession::forwardPreviewClick(core::Point pointInPicture, core::Size pictureSize, int clickCount)
{
    if (!preview().previewPanel) return false;
    EventBridge::lastForwardTime = dispatch::now();
    // The desktop routes a posted event when it is posted: with the preview lying over the
    // source window, the click would otherwise come back to the preview and be forwarded
    // again.
    const QPointer<views::PreviewPanel> previewWindow(preview().previewPanel.get());
    previewWindow->setIgnoresMouseEvents(true);
    const bool forwarded = EventBridge::forwardClick(pointInPicture, pictureSize, panel_.target, clickCount);
    if (previewWindow && pinned && !takeoverActive) previewWindow->setIgnoresMouseEvents(false);
    return forwarded;
}

}  // namespace pin
