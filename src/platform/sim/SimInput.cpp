#include "platform/sim/SimInput.h"

#include "platform/dispatch/Queue.h"
#include "platform/dispatch/WhileAlive.h"
#include "platform/sim/SimHotKeys.h"
#include "platform/sim/SimWorld.h"

#include <algorithm>
#include <utility>

namespace sim {
namespace {

using desktop::EventType;

constexpr int illegalArgument = 1001;  // the platform's error for an unknown display

struct ModifierKey {
    int code;
    std::uint64_t flags;  // the device-independent flag and the side's own bit
};

namespace mod = desktop::modifier;
constexpr std::array<ModifierKey, 10> modifierKeys{{
    {desktop::key::rightCommand, mod::command | mod::rightCommand},
    {desktop::key::command, mod::command | mod::leftCommand},
    {desktop::key::shift, mod::shift | mod::leftShift},
    {desktop::key::capsLock, mod::capsLock},
    {desktop::key::option, mod::option | mod::leftOption},
    {desktop::key::control, mod::control | mod::leftControl},
    {desktop::key::rightShift, mod::shift | mod::rightShift},
    {desktop::key::rightOption, mod::option | mod::rightOption},
    {desktop::key::rightControl, mod::control | mod::rightControl},
    {desktop::key::function, mod::function},
}};

std::optional<std::uint64_t> modifierKeyFlags(int code)
{
    for (const auto& key : modifierKeys)
        if (key.code == code) return key.flags;
    return std::nullopt;
}

// Named modifiers stand for the left-hand keys.
std::uint64_t namedModifierFlags(const std::vector<std::string>& names)
{
    static const std::map<std::string, int> codes{{"cmd", desktop::key::command},
                                                  {"alt", desktop::key::option},
                                                  {"ctrl", desktop::key::control},
                                                  {"shift", desktop::key::shift},
                                                  {"fn", desktop::key::function}};
    std::uint64_t flags = 0;
    for (const auto& name : names)
        if (const auto code = codes.find(name); code != codes.end()) flags |= *modifierKeyFlags(code->second);
    return flags;
}

bool isButtonEvent(EventType type)
{
    return type == EventType::leftMouseDown || type == EventType::leftMouseUp || type == EventType::rightMouseDown ||
           type == EventType::rightMouseUp;
}

bool isKeyEvent(EventType type)
{
    return type == EventType::keyDown || type == EventType::keyUp || type == EventType::flagsChanged;
}

const char* eventTypeName(EventType type)
{
    switch (type) {
    case EventType::leftMouseDown: return "leftMouseDown";
    case EventType::leftMouseUp: return "leftMouseUp";
    case EventType::rightMouseDown: return "rightMouseDown";
    case EventType::rightMouseUp: return "rightMouseUp";
    case EventType::mouseMoved: return "mouseMoved";
    case EventType::leftMouseDragged: return "leftMouseDragged";
    case EventType::rightMouseDragged: return "rightMouseDragged";
    case EventType::scrollWheel: return "scrollWheel";
    case EventType::keyDown: return "keyDown";
    case EventType::keyUp: return "keyUp";
    case EventType::flagsChanged: return "flagsChanged";
    }
    return "unknown";
}

// Calls the handler of every enabled hook whose mask holds the event type, in creation
// order, while call answers true. Each hook is looked up again just before its call, so
// one that an earlier handler removed or disabled is skipped.
template <class Hooks, class Call>
void visitHooks(std::mutex& mutex, const Hooks& hooks, EventType type, Call&& call)
{
    std::vector<desktop::Token> tokens;
    {
        std::lock_guard lock(mutex);
        for (const auto& [token, hook] : hooks)
            if (hook.enabled && (hook.mask & desktop::maskOf(type))) tokens.push_back(token);
    }
    for (const auto token : tokens) {
        std::optional<typename Hooks::mapped_type> hook;
        {
            std::lock_guard lock(mutex);
            const auto it = hooks.find(token);
            if (it == hooks.end() || !it->second.enabled) continue;
            hook = it->second;
        }
        if (!call(hook->handler)) return;
    }
}

}  // namespace

std::shared_ptr<SimInput> SimInput::create(std::shared_ptr<SimWorld> world, std::shared_ptr<SimHotKeys> hotKeys)
{
    std::shared_ptr<SimInput> input(new SimInput(std::move(world), std::move(hotKeys)));
    input->stackListener_ = input->world_->onStackChanged(
        dispatch::whileAlive(std::weak_ptr<SimInput>(input), [](SimInput& self) { self.recheckHover(); }));
    return input;
}

SimInput::SimInput(std::shared_ptr<SimWorld> world, std::shared_ptr<SimHotKeys> hotKeys)
    : world_(std::move(world)), hotKeys_(std::move(hotKeys))
{
}

SimInput::~SimInput() { world_->removeListener(stackListener_); }

// --- pointer ---

core::Point SimInput::pointerLocation()
{
    std::lock_guard lock(mutex_);
    return pointer_;
}

core::Point SimInput::polledPointerLocation()
{
    std::lock_guard lock(mutex_);
    return polledPointerLags_ ? std::exchange(lastPolledPointer_, pointer_) : pointer_;
}

void SimInput::setPolledPointerLags(bool lags)
{
    std::lock_guard lock(mutex_);
    polledPointerLags_ = lags;
}

void SimInput::setIgnoreWarps(bool ignore)
{
    std::lock_guard lock(mutex_);
    ignoreWarps_ = ignore;
}

void SimInput::setHoldKeysAreEverydayModifiers(bool everyday)
{
    std::lock_guard lock(mutex_);
    holdKeysAreEverydayModifiers_ = everyday;
}

bool SimInput::holdKeysAreEverydayModifiers()
{
    std::lock_guard lock(mutex_);
    return holdKeysAreEverydayModifiers_;
}

int SimInput::warpPointer(core::Point to)
{
    {
        std::lock_guard lock(mutex_);
        if (!ignoreWarps_) pointer_ = to;
    }
    world_->record({{"do", "pointer.warp"}, {"to", nlohmann::json::array({to.x, to.y})}});
    return 0;
}

int SimInput::moveCursorToPoint(desktop::DisplayID display, core::Point point)
{
    const auto target = world_->display(display);
    int result = target ? 0 : illegalArgument;
    {
        std::lock_guard lock(mutex_);
        if (ignoreWarps_)
            result = 0;
        else if (target)
            pointer_ = {target->frame.x() + point.x, target->frame.y() + point.y};
    }
    world_->record({{"do", "pointer.moveOnDisplay"},
                    {"display", display},
                    {"point", nlohmann::json::array({point.x, point.y})},
                    {"result", result}});
    return result;
}

void SimInput::associateMouseAndCursor(bool connected)
{
    world_->record({{"do", "pointer.associate"}, {"connected", connected}});
}

// --- buttons and keys ---

bool SimInput::isButtonDown(int button)
{
    std::lock_guard lock(mutex_);
    return button >= 0 && button < static_cast<int>(buttons_.size()) && buttons_[button];
}

bool SimInput::isKeyDown(int keyCode)
{
    std::lock_guard lock(mutex_);
    return keysDown_.count(keyCode) > 0;
}

std::uint64_t SimInput::modifierFlags()
{
    std::lock_guard lock(mutex_);
    return heldFlagsLocked();
}

std::uint64_t SimInput::heldFlagsLocked() const
{
    std::uint64_t flags = 0;
    for (const int code : keysDown_)
        if (const auto keyFlags = modifierKeyFlags(code)) flags |= *keyFlags;
    return flags;
}

// --- monitors and taps ---

desktop::Token SimInput::addGlobalMonitor(std::uint64_t mask, std::function<void(const desktop::Event&)> handler)
{
    std::lock_guard lock(mutex_);
    const auto token = nextToken_++;
    globalMonitors_[token] = {mask, true, std::move(handler)};
    return token;
}

desktop::Token SimInput::addLocalMonitor(std::uint64_t mask,
                                         std::function<std::optional<desktop::Event>(const desktop::Event&)> handler)
{
    std::lock_guard lock(mutex_);
    const auto token = nextToken_++;
    localMonitors_[token] = {mask, true, std::move(handler)};
    return token;
}

void SimInput::removeMonitor(desktop::Token token)
{
    std::lock_guard lock(mutex_);
    globalMonitors_.erase(token);
    localMonitors_.erase(token);
}

std::optional<desktop::Token> SimInput::createEventTap(std::uint64_t mask,
                                                       std::function<bool(const desktop::Event&)> handler)
{
    if (!world_->accessibilityTrusted()) return std::nullopt;
    std::lock_guard lock(mutex_);
    const auto token = nextToken_++;
    taps_[token] = {mask, true, std::move(handler)};
    return token;
}

void SimInput::setEventTapEnabled(desktop::Token tap, bool enabled)
{
    std::lock_guard lock(mutex_);
    if (const auto it = taps_.find(tap); it != taps_.end()) it->second.enabled = enabled;
}

void SimInput::removeEventTap(desktop::Token tap)
{
    std::lock_guard lock(mutex_);
    taps_.erase(tap);
}

// --- what the user does ---

desktop::Event SimInput::userEvent(EventType type, core::Point at)
{
    desktop::Event event;
    event.type = type;
    event.location = at;
    return event;
}

desktop::Event SimInput::userKeyEvent(EventType type, int keyCode, const std::vector<std::string>& modifierNames)
{
    desktop::Event event = userEvent(type, pointerLocation());
    event.keyCode = keyCode;
    event.modifierFlags = namedModifierFlags(modifierNames);
    return event;
}

void SimInput::userMouseMove(core::Point to)
{
    EventType type = EventType::mouseMoved;
    {
        std::lock_guard lock(mutex_);
        if (buttons_[0])
            type = EventType::leftMouseDragged;
        else if (buttons_[1])
            type = EventType::rightMouseDragged;
    }
    dispatchEvent(userEvent(type, to), false);
}

void SimInput::userMouseDown(MouseButton button, core::Point at, int clickCount)
{
    desktop::Event event =
        userEvent(button == MouseButton::left ? EventType::leftMouseDown : EventType::rightMouseDown, at);
    event.clickState = clickCount;
    dispatchEvent(event, false);
}

void SimInput::userMouseUp(MouseButton button, core::Point at, int clickCount)
{
    desktop::Event event = userEvent(button == MouseButton::left ? EventType::leftMouseUp : EventType::rightMouseUp, at);
    event.clickState = clickCount;
    dispatchEvent(event, false);
}

void SimInput::userScroll(double deltaX, double deltaY)
{
    desktop::Event event = userEvent(EventType::scrollWheel, pointerLocation());
    event.scrollDeltaX = deltaX;
    event.scrollDeltaY = deltaY;
    dispatchEvent(event, false);
}

void SimInput::userKeyDown(int keyCode, const std::vector<std::string>& modifierNames)
{
    dispatchEvent(userKeyEvent(EventType::keyDown, keyCode, modifierNames), false);
}

void SimInput::userKeyUp(int keyCode, const std::vector<std::string>& modifierNames)
{
    dispatchEvent(userKeyEvent(EventType::keyUp, keyCode, modifierNames), false);
}

void SimInput::postEvent(const desktop::Event& event) { dispatchEvent(event, true); }

// --- the way of one event ---

void SimInput::dispatchEvent(desktop::Event event, bool posted)
{
    // The world is asked before taking the lock: its notices may call back in here.
    const Route under = isKeyEvent(event.type) ? keyRoute() : windowRoute(event.location);
    Route route;
    desktop::WindowID left = 0;
    {
        std::lock_guard lock(mutex_);
        applyLocked(event);
        // A posted event carries the flags its poster gave it; the user's carry what is held.
        if (!posted) event.modifierFlags |= heldFlagsLocked();
        route = grabbedRouteLocked(event.type, under);
        if (!isKeyEvent(event.type)) {
            const desktop::WindowID now = route.own ? route.window : 0;
            if (hovered_ != now) left = hovered_;
            hovered_ = now;
        }
    }
    event.targetWindow = route.window;
    if (posted) journal(event);
    if (left != 0) tellPointer(left, event);
    if (hotKeys_ && hotKeys_->consume(event)) return;
    dispatch::main().async([self = shared_from_this(), event, route] { self->deliver(event, route); });
}

// The session state follows every event, posted ones included (it is the combined state
// of all sources). A modifier key's press or release is a flags change.
void SimInput::applyLocked(desktop::Event& event)
{
    switch (event.type) {
    case EventType::leftMouseDown:
    case EventType::leftMouseUp:
        buttons_[0] = event.type == EventType::leftMouseDown;
        pointer_ = event.location;
        break;
    case EventType::rightMouseDown:
    case EventType::rightMouseUp:
        buttons_[1] = event.type == EventType::rightMouseDown;
        pointer_ = event.location;
        break;
    case EventType::mouseMoved:
    case EventType::leftMouseDragged:
    case EventType::rightMouseDragged: pointer_ = event.location; break;
    case EventType::keyDown:
    case EventType::keyUp:
        if (event.type == EventType::keyDown)
            keysDown_.insert(event.keyCode);
        else
            keysDown_.erase(event.keyCode);
        if (modifierKeyFlags(event.keyCode)) event.type = EventType::flagsChanged;
        break;
    case EventType::scrollWheel:
    case EventType::flagsChanged: break;
    }
}

// Mouse events from a press to the last release go where the press went.
SimInput::Route SimInput::grabbedRouteLocked(EventType type, Route under)
{
    const auto held = std::count(buttons_.begin(), buttons_.end(), true);
    switch (type) {
    case EventType::leftMouseDown:
    case EventType::rightMouseDown:
        if (!grab_ || held == 1) grab_ = under;
        return *grab_;
    case EventType::leftMouseUp:
    case EventType::rightMouseUp:
    case EventType::leftMouseDragged:
    case EventType::rightMouseDragged: {
        const Route route = grab_.value_or(under);
        if (held == 0) grab_.reset();
        return route;
    }
    default: return under;
    }
}

SimInput::Route SimInput::windowRoute(core::Point at)
{
    if (const auto window = world_->windowAt(at)) return {window->id, window->own};
    return {};
}

// Keys go to the frontmost application, into its focused window.
SimInput::Route SimInput::keyRoute()
{
    const auto front = world_->frontmost();
    if (!front) return {};
    const bool own = *front == world_->ownPid();
    // The key window keeps the keyboard though a panel of ours was ordered before it.
    if (const auto key = own ? world_->keyOwnWindow() : std::nullopt) return {*key, true};
    return {world_->focusedWindow(*front).value_or(0), own};
}

void SimInput::journal(const desktop::Event& event)
{
    nlohmann::json line = {{"do", "event"},
                           {"type", eventTypeName(event.type)},
                           {"at", nlohmann::json::array({event.location.x, event.location.y})},
                           {"window", event.targetWindow}};
    if (isButtonEvent(event.type)) line["clickState"] = event.clickState;
    if (event.type == EventType::scrollWheel) {
        line["deltaX"] = event.scrollDeltaX;
        line["deltaY"] = event.scrollDeltaY;
    }
    if (isKeyEvent(event.type)) line["code"] = event.keyCode;
    if (event.modifierFlags) line["flags"] = event.modifierFlags;
    if (event.userData) line["userData"] = event.userData;
    world_->record(std::move(line));
}

void SimInput::deliver(desktop::Event event, Route route)
{
    if (!passesTaps(event)) return;
    if (!route.own) {
        visitHooks(mutex_, globalMonitors_, event.type, [&](const auto& handler) {
            handler(event);
            return true;
        });
        return;
    }
    bool swallowed = false;
    visitHooks(mutex_, localMonitors_, event.type, [&](const auto& handler) {
        auto passed = handler(event);
        swallowed = !passed;
        if (passed) event = *passed;
        return !swallowed;
    });
    if (swallowed || route.window == 0) return;
    const auto window = world_->window(route.window);
    if (window && window->own && window->sink) window->sink(event);
}

void SimInput::recheckHover()
{
    const core::Point at = pointerLocation();
    const Route under = windowRoute(at);
    desktop::Event event = userEvent(EventType::mouseMoved, at);
    desktop::WindowID left = 0;
    desktop::WindowID entered = 0;
    {
        std::lock_guard lock(mutex_);
        // A held button keeps the window it pressed; a newer event routed itself.
        if (grab_ || !(pointer_ == at)) return;
        const desktop::WindowID now = under.own ? under.window : 0;
        if (hovered_ == now) return;
        left = hovered_;
        entered = now;
        hovered_ = now;
        event.modifierFlags = heldFlagsLocked();
    }
    if (left != 0) tellPointer(left, event);
    if (entered != 0) tellPointer(entered, event);
}

void SimInput::tellPointer(desktop::WindowID window, const desktop::Event& from)
{
    desktop::Event event = from;
    event.type = EventType::mouseMoved;
    event.clickState = 0;
    event.targetWindow = window;
    dispatch::main().async([self = shared_from_this(), window, event] {
        const auto target = self->world_->window(window);
        if (target && target->own && target->sink) target->sink(event);
    });
}

bool SimInput::passesTaps(const desktop::Event& event)
{
    bool passes = true;
    visitHooks(mutex_, taps_, event.type, [&](const auto& handler) {
        passes = handler(event);
        return passes;
    });
    return passes;
}

void SimInput::beep() { world_->record({{"do", "beep"}}); }

}  // namespace sim
