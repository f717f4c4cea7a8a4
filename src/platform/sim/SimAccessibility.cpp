#include "platform/sim/SimAccessibility.h"

#include "platform/dispatch/Queue.h"
#include "platform/sim/SimWorld.h"

#include <algorithm>
#include <cmath>

namespace sim {
namespace ax = desktop::ax;
namespace {

bool isSystemWide(const desktop::Element& element) { return element.pid == 0 && element.window == 0; }

nlohmann::json jsonOf(const desktop::AXValue& value)
{
    if (const auto* point = std::get_if<core::Point>(&value)) return {point->x, point->y};
    if (const auto* size = std::get_if<core::Size>(&value)) return {size->width, size->height};
    if (const auto* flag = std::get_if<bool>(&value)) return *flag;
    return nullptr;
}

bool isFinite(double a, double b) { return std::isfinite(a) && std::isfinite(b); }

bool supportsNotification(const std::string& name)
{
    return name == ax::windowResized || name == ax::windowMoved || name == ax::focusedWindowChanged;
}

}  // namespace

SimAccessibility::SimAccessibility(std::shared_ptr<SimWorld> world) : world_(std::move(world))
{
    using Observers = desktop::AccessibilityObservers;
    const std::weak_ptr<Observers> weak = observers_;
    frameListener_ = world_->onWindowFrameChanged(
        [weak](desktop::WindowID window, desktop::Pid pid, const core::Rect& from, const core::Rect& to) {
            if (from.size != to.size) Observers::post(weak, pid, window, ax::windowResized);
            if (from.origin != to.origin) Observers::post(weak, pid, window, ax::windowMoved);
        });
    focusListener_ = world_->onFocusedWindowChanged([weak](desktop::Pid pid, desktop::WindowID window) {
        Observers::post(weak, pid, window, ax::focusedWindowChanged);
    });
}

SimAccessibility::~SimAccessibility()
{
    world_->removeListener(frameListener_);
    world_->removeListener(focusListener_);
}

bool SimAccessibility::isTrusted(bool prompt)
{
    const bool trusted = world_->accessibilityTrusted();
    if (prompt && !trusted) world_->record({{"do", "ax.prompt"}});
    return trusted;
}

ax::Error SimAccessibility::enter(const desktop::Element& element, std::optional<SimApp>& app)
{
    if (!world_->accessibilityTrusted()) return ax::apiDisabled;
    app = world_->app(element.pid);
    if (!app || app->info.terminated) return ax::invalidUIElement;
    if (app->behavior.hang > 0) dispatch::sleepFor(app->behavior.hang);
    return ax::success;
}

ax::Error SimAccessibility::copyOfApplication(const SimApp& app, const std::string& attribute, desktop::AXValue& value)
{
    const desktop::Pid pid = app.info.pid;
    if (attribute == ax::windows) {
        // Windows on another Space are out of reach; minimised ones are listed.
        std::vector<desktop::Element> windows;
        world_->visitStack([&](const SimWindow& window, const SimApp*, bool) {
            if (window.pid == pid && !window.offscreen && (!window.own || window.ownVisible))
                windows.push_back({pid, window.id});
            return true;
        });
        value = std::move(windows);
        return ax::success;
    }
    if (attribute == ax::focusedWindow) {
        const auto focused = world_->focusedWindow(pid);
        if (!focused) return ax::noValue;
        value = desktop::Element{pid, *focused};
        return ax::success;
    }
    return ax::attributeUnsupported;
}

ax::Error SimAccessibility::copyAttribute(const desktop::Element& element, const std::string& attribute,
                                          desktop::AXValue& value)
{
    value = std::monostate{};
    if (isSystemWide(element)) {
        if (!world_->accessibilityTrusted()) return ax::apiDisabled;
        if (attribute != ax::focusedApplication) return ax::attributeUnsupported;
        const auto front = world_->frontmost();
        if (!front) return ax::noValue;
        value = desktop::Accessibility::applicationElement(*front);
        return ax::success;
    }
    std::optional<SimApp> app;
    if (const auto error = enter(element, app)) return error;
    if (attribute == ax::minSize) {
        // Reported on the application and its windows alike, only where the application
        // reports one.
        if (!app->behavior.reportMinSize) return ax::attributeUnsupported;
        value = *app->behavior.reportMinSize;
        return ax::success;
    }
    if (element.window == 0) return copyOfApplication(*app, attribute, value);

    const auto window = world_->window(element.window);
    if (!window || window->pid != element.pid) return ax::invalidUIElement;
    if (attribute == ax::position)
        value = window->frame.origin;
    else if (attribute == ax::size)
        value = window->frame.size;
    else if (attribute == ax::minimized)
        value = window->minimized;
    else
        return ax::attributeUnsupported;
    return ax::success;
}

ax::Error SimAccessibility::setAttribute(const desktop::Element& element, const std::string& attribute,
                                         const desktop::AXValue& value)
{
    const ax::Error result = write(element, attribute, value);
    world_->record({{"do", "ax.set"},
                    {"pid", element.pid},
                    {"window", element.window},
                    {"attribute", attribute},
                    {"value", jsonOf(value)},
                    {"result", result}});
    return result;
}

ax::Error SimAccessibility::write(const desktop::Element& element, const std::string& attribute,
                                  const desktop::AXValue& value)
{
    if (isSystemWide(element)) return world_->accessibilityTrusted() ? ax::attributeUnsupported : ax::apiDisabled;
    std::optional<SimApp> app;
    if (const auto error = enter(element, app)) return error;
    const bool known = attribute == ax::position || attribute == ax::size || attribute == ax::minimized;
    if (!known || element.window == 0) return ax::attributeUnsupported;
    const auto window = world_->window(element.window);
    if (!window || window->pid != element.pid) return ax::invalidUIElement;

    if (attribute == ax::minimized) {
        const auto* flag = std::get_if<bool>(&value);
        if (!flag) return ax::illegalArgument;
        world_->setMinimized(window->id, *flag);
        return ax::success;
    }

    // A write builds on a write that has not settled yet, so size-then-position lands
    // where both say.
    const core::Rect base = window->pendingFrame.value_or(window->frame);
    core::Rect target = base;
    if (attribute == ax::position) {
        const auto* point = std::get_if<core::Point>(&value);
        if (!point || !isFinite(point->x, point->y)) return ax::illegalArgument;
        target.origin = *point;
        if (const auto& shift = app->behavior.shiftMoves) target.origin = {point->x + shift->x, point->y + shift->y};
    } else {
        const auto* size = std::get_if<core::Size>(&value);
        if (!size || !isFinite(size->width, size->height) || size->width < 0 || size->height < 0)
            return ax::illegalArgument;
        target.size = *size;
        if (const auto& minimum = app->behavior.minSize) {
            target.size.width = std::max(target.size.width, minimum->width);
            target.size.height = std::max(target.size.height, minimum->height);
        }
    }
    if (app->behavior.refuseMoves) return *app->behavior.refuseMoves;
    world_->requestFrame(window->id, target, app->behavior.settleDelay);
    return ax::success;
}

ax::Error SimAccessibility::performAction(const desktop::Element& element, const std::string& action)
{
    const auto result = [&]() -> ax::Error {
        if (isSystemWide(element)) return world_->accessibilityTrusted() ? ax::actionUnsupported : ax::apiDisabled;
        std::optional<SimApp> app;
        if (const auto error = enter(element, app)) return error;
        if (action != ax::raise || element.window == 0) return ax::actionUnsupported;
        const auto window = world_->window(element.window);
        if (!window || window->pid != element.pid) return ax::invalidUIElement;
        world_->raise(window->id);
        return ax::success;
    }();
    world_->record(
        {{"do", "ax.action"}, {"pid", element.pid}, {"window", element.window}, {"action", action}, {"result", result}});
    return result;
}

std::optional<desktop::WindowID> SimAccessibility::windowNumber(const desktop::Element& element)
{
    if (element.window == 0 || !world_->accessibilityTrusted()) return std::nullopt;
    const auto window = world_->window(element.window);
    if (!window || window->pid != element.pid) return std::nullopt;
    return window->id;
}

ax::Error SimAccessibility::createObserver(desktop::Pid pid, ObserverCallback callback, desktop::Token& observer)
{
    if (!world_->accessibilityTrusted()) return ax::apiDisabled;
    return observers_->create(pid, std::move(callback), observer);
}

ax::Error SimAccessibility::addNotification(desktop::Token observer, const desktop::Element& element,
                                            const std::string& notification)
{
    if (!world_->accessibilityTrusted()) return ax::apiDisabled;
    const auto pid = observers_->pidOf(observer);
    if (!pid) return ax::invalidUIElementObserver;
    if (element.pid != *pid) return ax::illegalArgument;
    const auto app = world_->app(*pid);
    if (!app || app->info.terminated) return ax::invalidUIElement;
    if (element.window != 0) {
        const auto window = world_->window(element.window);
        if (!window || window->pid != *pid) return ax::invalidUIElement;
    }
    if (!supportsNotification(notification)) return ax::notificationUnsupported;
    return observers_->subscribe(observer, element, notification);
}

ax::Error SimAccessibility::removeNotification(desktop::Token observer, const desktop::Element& element,
                                               const std::string& notification)
{
    return observers_->unsubscribe(observer, element, notification);
}

void SimAccessibility::destroyObserver(desktop::Token observer) { observers_->destroy(observer); }

}  // namespace sim
