#include "app/HoverPIPTrigger.h"

#include "app/HoverTriggerCorner.h"
#include "capture/NumberText.h"
#include "foundation/Diag.h"
#include "platform/defaults/SettingsTable.h"
#include "platform/desktop/Desktop.h"
#include "platform/ui/Menu.h"

#include <string>

namespace app {

namespace {

double screenHeight() { return desktop::firstScreenHeight(desktop::displays()); }

}  // namespace

std::optional<std::string> HoverPIPTrigger::lastMissKey_;

const std::shared_ptr<HoverPIPTrigger>& HoverPIPTrigger::shared()
{
    static const auto* trigger = new std::shared_ptr<HoverPIPTrigger>(std::make_shared<HoverPIPTrigger>());
    return *trigger;
}

HoverPIPTrigger::~HoverPIPTrigger() { delete panel_.data(); }

void HoverPIPTrigger::start()
{
    if (pollTimer_.isActive()) return;
    if (defaults::setting::hoverTriggerDisabled.value()) {
        enabled_ = false;
        Diag::log("触发块: 已被设置关闭 ⇒ 不启动感应");
        return;
    }
    enabled_ = true;
    // A new sensing session tests and reports afresh, also on a clock that starts anew.
    lastMissKey_.reset();
    sensor_ = HoverTriggerSensor{};
    pollTimer_ = dispatch::Timer(dispatch::main(), pollInterval, [this] { check(); });
}

void HoverPIPTrigger::stop()
{
    pollTimer_.cancel();
    orderPanelOut();
}

void HoverPIPTrigger::setSuspended(bool suspended)
{
    if (suspended == suspended_) return;
    suspended_ = suspended;
    if (suspended) {
        orderPanelOut();
        sensor_.reset();
    }
    sensor_.forgetCachedHit();
    Diag::log(std::string("悬停触发: ") + (suspended ? "暂停（框选中）" : "恢复"));
}

std::optional<HoverPIPTrigger::WindowHit> HoverPIPTrigger::windowUnder(core::Point screenPoint, core::Size minSize)
{
    return findWindowUnder(screenPoint, minSize);
}

std::optional<HoverPIPTrigger::WindowHit> HoverPIPTrigger::findWindowUnder(core::Point screenPoint, core::Size minSize)
{
    const auto list = desktop::windowServer().windowList(desktop::WindowListOption::onScreenOnly, 0,
                                                         /*excludeDesktopElements=*/true);
    if (!list) return std::nullopt;
    const double flipHeight = screenHeight();
    const core::Point q = core::flipped(screenPoint, flipHeight);
    const desktop::Pid ownPid = desktop::workspace().ownPid();
    for (const desktop::WindowInfo& info : *list) {
        if (info.layer != 0L) continue;
        if (info.ownerPid == ownPid) continue;
        if (!info.bounds) continue;
        const core::Rect& bounds = *info.bounds;
        if (!(bounds.width() > minSize.width && bounds.height() > minSize.height)) continue;
        if (!bounds.contains(q) || info.number == 0) continue;
        return WindowHit{.windowID = info.number,
                         .cgFrame = bounds,
                         .appkitFrame = core::flipped(bounds, flipHeight),
                         .owner = info.ownerName.value_or("?")};
    }
    return std::nullopt;
}

std::optional<HoverPIPTrigger::Hit> HoverPIPTrigger::hitTest(core::Point screenPoint, double regionW, double regionH,
                                                             desktop::WindowID exclude, bool logHit)
{
    return hitTest(screenPoint, regionW, regionH, exclude, [logHit](desktop::WindowID) { return logHit; });
}

std::optional<HoverPIPTrigger::Hit> HoverPIPTrigger::hitTest(core::Point screenPoint, double regionW, double regionH,
                                                             desktop::WindowID exclude,
                                                             const std::function<bool(desktop::WindowID)>& shouldLogHit)
{
    const auto window = findWindowUnder(screenPoint, minWindowSize);
    if (!window || window->windowID == exclude) return std::nullopt;
    const double flipHeight = screenHeight();
    const core::Point q = core::flipped(screenPoint, flipHeight);
    const core::Rect& frame = window->cgFrame;
    const desktop::CornerInset clear = desktop::accessibility().buttonFreeCorner(window->windowID);
    const auto [zone, block] = HoverTriggerCorner::of(frame, clear, {regionW, regionH}, flipHeight);

    if (!zone.contains(q)) {
        const std::string key =
            window->owner + "|" + capture::wholeText(frame.width()) + "x" + capture::wholeText(frame.height());
        if (key != lastMissKey_) {
            lastMissKey_ = key;
            Diag::log("悬停不触发: 光标下窗口 owner=" + window->owner + " frame=" + core::rectText(frame) +
                      " 不在右上角(鼠标CG=" + core::pointText(q) + " 需要落在x≥" + core::numberText(zone.minX()) +
                      ", y≤" + core::numberText(zone.maxY()) + ")");
        }
        return std::nullopt;
    }

    lastMissKey_.reset();
    if (shouldLogHit(window->windowID)) {
        Diag::log("悬停命中: 窗口#" + std::to_string(window->windowID) + " owner=" + window->owner + " frame=" +
                  core::rectText(frame) + " 鼠标CG=" + core::pointText(q) + " 悬浮块=" + core::rectText(block));
    }
    return Hit{.windowID = window->windowID,
               .overlayFrame = block,
               .life = desktop::windowServer().windowLife(window->windowID)};
}

void HoverPIPTrigger::check()
{
    // A poll timer does not fire while a menu is being tracked.
    if (ui::Menu::isAnyMenuOpen()) return;
    if (suspended_ || !enabled_) return;
    desktop::Input& input = desktop::input();
    const core::Point pointer = core::flipped(input.polledPointerLocation(), screenHeight());
    const bool optionDown = (input.polledModifierFlags() & desktop::modifier::option) != 0;
    const auto outcome =
        sensor_.poll(dispatch::now(), pointer, optionDown,
                     [](core::Point p, core::Size zone, const std::function<bool(desktop::WindowID)>& shouldLogHit) {
                         return hitTest(p, zone.width, zone.height, 0, shouldLogHit);
                     });
    switch (outcome.action) {
    case HoverTriggerSensor::Action::none: break;
    case HoverTriggerSensor::Action::orderOut: orderPanelOut(); break;
    case HoverTriggerSensor::Action::show: showOverlay(*outcome.hit); break;
    case HoverTriggerSensor::Action::fadeOut: fadeOutOverlay(); break;
    }
}

void HoverPIPTrigger::showOverlay(const Hit& hit)
{
    ensurePanel();
    panel_->applyTheme();
    panel_->showAt(hit.overlayFrame);
    sensor_.blockShown(dispatch::now());
}

void HoverPIPTrigger::ensurePanel()
{
    if (panel_) return;
    panel_ = new HoverTriggerBlock;
    panel_->background().onClick = [this] { triggered(); };
    panel_->background().onOptionDrag = [this] { beginFocusDrag(); };
}

void HoverPIPTrigger::fadeOutOverlay()
{
    if (!panel_) return;
    // A block shown again meanwhile stays.
    panel_->fadeOut([this] { return !sensor_.overlayShown(); });
}

void HoverPIPTrigger::orderPanelOut()
{
    if (panel_) panel_->orderOut();
}

void HoverPIPTrigger::triggered()
{
    const desktop::WindowID target = sensor_.clicked();
    orderPanelOut();
    if (target != 0 && onTrigger) onTrigger(target);
}

void HoverPIPTrigger::beginFocusDrag()
{
    const desktop::WindowID target = sensor_.beginFocusDrag();
    if (target == 0) return;
    orderPanelOut();
    Diag::log("悬停触发: ⌥ 拖拽 → 进入框选 id=" + std::to_string(target));
    if (onFocusDrag) onFocusDrag(target);
}

}  // namespace app
