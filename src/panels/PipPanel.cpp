#include "panels/PipPanel.h"

#include "capture/OcclusionProbe.h"
#include "foundation/Diag.h"
#include "foundation/EventBridge.h"
#include "foundation/L10n.h"
#include "foundation/WindowQuery.h"
#include "panels/pin/HoverPreview.h"
#include "panels/views/FrozenBanner.h"
#include "panels/views/PanelContentView.h"
#include "panels/rules/PanelDefaults.h"
#include "panels/rules/PanelGeometry.h"
#include "panels/pin/PinSession.h"
#include "panels/views/TopBarView.h"
#include "parking/WindowParking.h"
#include "platform/core/SystemLog.h"
#include "platform/core/TextFormat.h"
#include "platform/desktop/Desktop.h"
#include "platform/dispatch/WhileAlive.h"
#include "platform/ui/Coordinates.h"
#include "platform/ui/LiteralText.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMouseEvent>

#include <algorithm>

namespace {

constexpr double closeFadeDuration = 0.15;
constexpr double selfCheckDelay = 3.0;
constexpr double layerDiagnosticDelay = 0.5;

std::vector<PipPanel*>& registry()
{
    static std::vector<PipPanel*> panels;
    return panels;
}

std::optional<core::Rect> listedBounds(desktop::WindowID windowID)
{
    const auto info = WindowQuery::onScreenInfo(windowID);
    return info ? OcclusionProbe::boundsRect(*info) : std::nullopt;
}

std::string flag(bool value) { return value ? "true" : "false"; }

// The banner says what happened to a source that froze: on another workspace, or shown
// nowhere without being minimised (the desktop shown, or withdrawn to a tray), it was not
// minimised. Asked once as the banner comes up.
views::FrozenBanner::Cause frozenCause(const desktop::ShareableWindow& target)
{
    using Cause = views::FrozenBanner::Cause;
    switch (desktop::windowServer().windowPresence(target.windowID, target.life)) {
    case desktop::WindowPresence::otherWorkspace: return Cause::otherWorkspace;
    case desktop::WindowPresence::listedAlive:
    case desktop::WindowPresence::unlisted: {
        const auto minimised = EventBridge::windowMinimizedState(target.windowID, EventBridge::pidOf(target).value_or(0));
        return minimised.value_or(false) ? Cause::minimised : Cause::hidden;
    }
    case desktop::WindowPresence::listed:
    case desktop::WindowPresence::destroyed: break;
    }
    return Cause::minimised;
}

}  // namespace

PipPanel::Placement PipPanel::creationPlacement(const desktop::ShareableWindow& target)
{
    const std::vector<ui::Screen> all = ui::screens();
    const std::vector<ui::Screen> real = PipPanel::realScreens();
    const std::optional<ui::Screen> main = ui::mainScreen();

    std::optional<ui::Screen> fallback = !real.empty() ? std::optional(real.front()) : main;
    if (!fallback && !all.empty()) fallback = all.front();

    const core::Rect source = listedBounds(target.windowID).value_or(target.frame);
    const double primaryHeight = !all.empty() ? all.front().frame.height() : main ? main->frame.height() : 900;

    std::optional<ui::Screen> sourceScreen = fallback;
    const core::Point centre{source.midX(), primaryHeight - source.midY()};
    for (const ui::Screen& screen : real) {
        if (screen.frame.contains(centre)) {
            sourceScreen = screen;
            break;
        }
    }
    const std::optional<ui::Screen> chosen = panels::PanelDefaults::defaultScreenChoice() == 0 ? fallback : sourceScreen;
    const core::Rect area = chosen ? chosen->visibleFrame : core::Rect(0, 0, 0, 0);

    const core::Size size =
        panels::pipSize(area, panels::PanelDefaults::defaultSizeMultiplier(), panels::sourceAspect(source.size));
    return {panels::creationFrame(source, size, primaryHeight, area), chosen};
}

PipPanel::PipPanel(desktop::ShareableWindow source, panels::FocusRegion focus)
    : PipPanel(source, focus, creationPlacement(source))
{
}

PipPanel::PipPanel(const desktop::ShareableWindow& source, const panels::FocusRegion& focus, const Placement& placement)
    : ui::Window(placement.frame, Style::panel, windowLevel),
      target(source),
      mirror(StreamMirror::make(source, panels::PanelDefaults::defaultFrameRate())),
      content(new views::PanelContentView(core::Rect(0, 0, placement.frame.width(), placement.frame.height()))),
      pinSession(std::make_unique<pin::PinSession>(*this)),
      hoverPreview(std::make_unique<pin::HoverPreview>(*this)),
      aliveCheck_(source.windowID)
{
    setTitle("Glimra · " + appNameOrEmpty());

    content->setPanel(this);
    setContentView(content);
    applyOpacity();

    refreshRateBadge();
    refreshOpacityBadge();
    refreshSizeBadge();
    content->applyFocusAtInit(focus);

    registry().push_back(this);
    countChanged();
    lastSizedScreenID = screenID(placement.screen);
    if (placement.screen) lastSizedScreenFrame = placement.screen->frame;

    dispatch::main().asyncAfter(layerDiagnosticDelay, [self = QPointer<PipPanel>(this)] {
        if (!self || !self->content) return;
        const auto describe = [](const QWidget& view) {
            return std::string(view.metaObject()->className()) + " corner=10 mask=true frame=" +
                   core::rectText({1.0 * view.x(), 1.0 * view.y(), 1.0 * view.width(), 1.0 * view.height()});
        };
        Diag::log("层树诊断: root class=" + describe(*self->content));
        for (const QObject* child : self->content->children()) {
            if (const auto* view = qobject_cast<const QWidget*>(child))
                Diag::log("层树诊断:   sub class=" + describe(*view) +
                          " opaque=" + flag(view->testAttribute(Qt::WA_OpaquePaintEvent)));
        }
    });

    const std::string windowTitle = target.title.value_or("");
    content->topBar().baseTitle =
        ui::isolated(appNameOrEmpty()) + " · " + ui::isolated(windowTitle.empty() ? L10n::t("(无标题)") : windowTitle);
    content->topBar().refreshTitle();

    installHostCallbacks();
    watchPresses(*content);

    dispatch::global().async(
        dispatch::whileAlive(std::weak_ptr<StreamMirror>(mirror), [](StreamMirror& stream) { stream.startFresh(); }));
    dispatch::main().asyncAfter(selfCheckDelay, [self = QPointer<PipPanel>(this)] {
        if (self) self->selfCheck();
    });
    startLifecycleCheck();
}

PipPanel::~PipPanel()
{
    // A panel deleted without closing (the application ending) still stops its stream.
    if (isRegistered(this)) {
        std::erase(registry(), this);
        countChanged();
    }
    checkStart_.cancel();
    checkTimer_.cancel();
    mirror->stop();
    // The content view goes after the pin session and the preview: it routes nothing more.
    content->setPanel(nullptr);
}

std::optional<std::string> PipPanel::appName() const
{
    if (!target.owningApplication) return std::nullopt;
    return target.owningApplication->applicationName;
}

std::string PipPanel::appNameOrEmpty() const { return appName().value_or(""); }

std::optional<core::Rect> PipPanel::listedSourceBounds() const { return listedBounds(target.windowID); }

core::Rect PipPanel::sourceFrame() const { return listedSourceBounds().value_or(target.frame); }

std::optional<ui::Screen> PipPanel::screenOrFallback() const
{
    if (auto current = screen()) return current;
    if (auto main = ui::mainScreen()) return main;
    const auto all = ui::screens();
    return all.empty() ? std::nullopt : std::optional(all.front());
}

// ---- host callbacks ----

void PipPanel::installHostCallbacks()
{
    const QPointer<PipPanel> self(this);
    // Raised on the capture queue: the effect runs on the main queue.
    const auto onMain = [self](std::function<void(PipPanel&)> effect) {
        dispatch::main().async([self, effect] {
            if (self) effect(*self);
        });
    };

    mirror->onFrame = [view = QPointer<views::PanelContentView>(content)](desktop::PixelBufferRef frame) {
        if (view) view->apply(std::move(frame));
    };
    mirror->onSourceFullscreen = [self] {
        if (self) self->content->showFullscreenHint(L10n::t("全屏应用会导致预览失效，建议使用最大化"));
    };
    mirror->onSourceFrozen = [onMain](bool frozen) {
        onMain([frozen](PipPanel& panel) {
            panel.content->setFullscreenHintActive(frozen);
            if (frozen)
                panel.content->showHint(L10n::t("小窗打盹了，双击小窗打开原应用即可恢复"), panels::HintKind::doze);
            else
                panel.content->hideFreezeHint();
        });
    };
    mirror->onFrozenByOcclusion = [](desktop::WindowID windowID) {
        WindowParking& parking = WindowParking::shared();
        return parking.queue().syncResult([&] { return parking.rescueOutcome(windowID); });
    };
    mirror->onCaptureDead = [onMain] {
        onMain([](PipPanel& panel) {
            panel.content->setFullscreenHintActive(true);
            panel.content->showHint(L10n::t("全屏应用不支持预览，建议使用最大化代替全屏"), panels::HintKind::captureDead);
        });
    };
    mirror->onCaptureRecovered = [onMain] {
        onMain([](PipPanel& panel) { panel.content->setFullscreenHintActive(false); });
    };
    mirror->onContentRegion = [onMain](core::Rect region) {
        onMain([region](PipPanel& panel) { panel.content->setBaseContentRegion(region); });
    };
    mirror->onStartError = [self](std::string message) {
        if (self) self->content->showHint(core::formatText(L10n::t("流启动失败：%@"), {message}));
    };
    mirror->onStopped = [self](std::optional<std::string> message) {
        if (self) self->closePanel(false);
        if (message) core::systemLog::write("[Glimra] 流停止: " + *message);
    };
}

void PipPanel::selfCheck()
{
    if (!isVisible() || !isRegistered(this)) return;
    const long delivered = mirror->framesDelivered();
    const long applied = mirror->framesApplied();
    if (delivered > 0 && applied > 0) return;
    if (delivered > 0) {
        Diag::log("3s自检: delivered=" + std::to_string(delivered) + " applied=0 → 帧状态异常");
        content->showHint(L10n::t("收到画面流但帧状态异常，请查看控制台日志 [Glimra]"));
    } else if (desktop::permissions().screenCapturePreflight()) {
        Diag::log("3s自检: 无帧 但 preflightScreen=true → 源窗口可能受保护或流异常");
        content->showHint(
            L10n::t("未收到画面：若刚授权过屏幕录制，请从菜单栏重启 Glimra 后重试；否则源窗口可能受系统保护（DRM）"));
    } else {
        Diag::log("3s自检: 无帧 且 preflightScreen=false → 权限未生效");
        content->showHint(
            L10n::t("屏幕录制权限未生效\n请在系统设置授权后，从菜单栏 Glimra 点「授权后重启 Glimra 以生效」"));
    }
}

// ---- the source-alive check ----

void PipPanel::startLifecycleCheck()
{
    checkStart_.cancel();
    checkTimer_.cancel();
    checkStart_ =
        dispatch::main().asyncAfter(panels::SourceAliveCheck::firstTickDelay, [self = QPointer<PipPanel>(this)] {
            if (!self) return;
            self->checkSourceAlive();
            if (!self || !isRegistered(self)) return;
            self->checkTimer_ = dispatch::Timer(dispatch::main(), panels::SourceAliveCheck::tickInterval, [self] {
                if (self) self->checkSourceAlive();
            });
            // Every panel's check wakes the main thread at the same moments.
            self->checkTimer_.alignTicks(true);
        });
}

void PipPanel::checkSourceAlive()
{
    if (!isRegistered(this)) {
        checkTimer_.cancel();
        return;
    }
    std::optional<std::string> bundleID;
    if (target.owningApplication && !target.owningApplication->bundleIdentifier.empty())
        bundleID = target.owningApplication->bundleIdentifier;
    const auto effects = aliveCheck_.tick(
        mirror->framesDelivered(),
        [&](bool framesActive) {
            return EventBridge::sourceWindowState(target.windowID, target.life, bundleID, framesActive);
        },
        isPaused);
    for (const panels::AliveEffect& effect : effects) {
        switch (effect.kind) {
        case panels::AliveEffect::Kind::log: Diag::log(effect.text); break;
        case panels::AliveEffect::Kind::showClosingHint:
            content->showHint(L10n::t("源窗口已关闭，即将自动收起…"), panels::HintKind::closing);
            break;
        case panels::AliveEffect::Kind::withdrawClosingHint: content->withdrawClosingHint(); break;
        case panels::AliveEffect::Kind::setFrozenBanner:
            if (effect.on) content->frozenBanner().setCause(frozenCause(target));
            content->setFrozenBanner(effect.on);
            break;
        case panels::AliveEffect::Kind::closePanel: closePanel(true); return;
        }
    }
}

// ---- registry ----

const std::vector<PipPanel*>& PipPanel::all() { return registry(); }

bool PipPanel::isRegistered(const PipPanel* panel)
{
    const auto& panels = registry();
    return panel && std::find(panels.begin(), panels.end(), panel) != panels.end();
}

void PipPanel::closePanel(bool animated)
{
    if (!isRegistered(this)) return;
    checkStart_.cancel();
    checkTimer_.cancel();
    mirror->stop();
    hoverPreview->cancelPendingShow();
    pinSession->exitPinnedPreview(std::nullopt, std::nullopt, false);
    // A restore still waiting for the front handoff would otherwise die with the session.
    pinSession->finishPendingRestore();
    WindowParking::shared().restoreAsync(target.windowID);
    hoverPreview->hidePreview();
    std::erase(registry(), this);
    countChanged();

    // Late menu rows, timers and callbacks find the panel gone.
    const auto orderOutAndDelete = [self = QPointer<PipPanel>(this)] {
        if (!self) return;
        self->orderOut();
        dispatch::main().async([self] { delete self.data(); });
    };
    if (animated)
        animateAlpha(0, closeFadeDuration, orderOutAndDelete);
    else
        orderOutAndDelete();
}

void PipPanel::closeEvent(QCloseEvent* event)
{
    // A close request from outside ends the panel as its close button does; hiding it
    // alone would leave it capturing and listed.
    if (isRegistered(this)) {
        event->ignore();
        closePanel(true);
        return;
    }
    ui::Window::closeEvent(event);
}

std::function<void()>& PipPanel::onCountChange()
{
    static std::function<void()> told;
    return told;
}

void PipPanel::syncMiniWindowFlag()
{
    const std::size_t count = registry().size();
    const bool any = count > 0;
    if (WindowParking::hasMiniWindows.load() != any) {
        Diag::log("小窗镜像: 现在 " + std::to_string(count) + " 个小窗 ⇒ 外来窗口找回" +
                  (any && !WindowParking::rescueWithPips()
                       ? "**暂停**（`foreignRescueWithPips=NO`：有小窗时不碰虚拟屏上的外来窗口）"
                       : "照常跑（有小窗也救；要退回老行为见 `rescueWithPips` 的注释）"));
    }
    WindowParking::hasMiniWindows.store(any);
}

void PipPanel::countChanged()
{
    syncMiniWindowFlag();
    if (onCountChange()) dispatch::main().async(onCountChange());
}

std::optional<desktop::DisplayID> PipPanel::screenID(const std::optional<ui::Screen>& screen)
{
    if (!screen) return std::nullopt;
    return screen->displayID;
}

// ---- the press that the platform did not deliver ----

void PipPanel::watchPresses(QWidget& widget)
{
    widget.installEventFilter(this);
    for (QWidget* child : widget.findChildren<QWidget*>()) child->installEventFilter(this);
}

bool PipPanel::eventFilter(QObject* watched, QEvent* event)
{
    const bool press = event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick;
    if (dispatchingPress_ || !press || static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
        return ui::Window::eventFilter(watched, event);

    auto* mouse = static_cast<QMouseEvent*>(event);
    const int clickCount = event->type() == QEvent::MouseButtonDblClick ? 2 : 1;
    const core::Point screenPoint = ui::screenPoint(mouse->globalPosition());
    Diag::log("panel sendEvent: loc=" + core::pointText(convertFromScreen(screenPoint)) +
              " click=" + std::to_string(clickCount));
    mouseDownHandled = false;
    const QPointF local = content->mapFromGlobal(mouse->globalPosition());
    const bool hitsContentItself = content->rect().contains(local.toPoint()) && !content->childAt(local.toPoint());

    QPointer<PipPanel> self(this);
    QPointer<views::PanelContentView> view(content);
    dispatchingPress_ = true;
    QApplication::sendEvent(watched, event);
    // Delivered here: the caller must not hand it to the ancestors as well.
    event->accept();
    if (!self) return true;
    dispatchingPress_ = false;

    if (!mouseDownHandled && hitsContentItself && view) {
        Diag::log("sendEvent 兜底: mouseDown 未被 AppKit 分发，手动调用 contentView.mouseDown");
        view->mouseDown(local, clickCount, screenPoint);
    }
    return true;
}
