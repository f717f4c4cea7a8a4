#include "platform/x11/X11Input.h"

#include "platform/desktop/Desktop.h"
#include "platform/desktop/GlobalSpace.h"
#include "platform/dispatch/Queue.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11EventPosting.h"
#include "platform/x11/X11KeyMap.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyleHints>
#include <QWindow>
#include <xcb/xinput.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>

namespace x11 {
namespace {

// The platform's error codes for pointer moves.
constexpr int failure = 1000;
constexpr int illegalArgument = 1001;

double secondsNow()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

bool isModifierKey(int keyCode) { return x11::keys::modifierKeyFlags(keyCode) != 0; }

}  // namespace

// Our own windows' key and mouse events, as events of the platform, through the local
// monitors.
class LocalEventFilter : public QObject {
public:
    explicit LocalEventFilter(X11Input& input) : input_(input) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // Widgets see an event their window saw first: only the window's copy counts.
        if (!watched->isWindowType()) return false;
        const auto translated = translate(*event);
        return translated && !input_.deliverLocal(*translated);
    }

private:
    std::optional<desktop::Event> translate(QEvent& event)
    {
        using desktop::EventType;
        switch (event.type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            const auto& key = static_cast<QKeyEvent&>(event);
            const bool pressed = event.type() == QEvent::KeyPress;
            const auto code = input_.keyMap_->keyCode(static_cast<xcb_keycode_t>(key.nativeScanCode()));
            // The state the key was pressed in: the keys may be up again by now.
            const std::uint64_t before = keys::flagsOfState(static_cast<std::uint16_t>(key.nativeModifiers()));
            desktop::Event result;
            result.keyCode = code.value_or(-1);
            result.location = input_.pointerLocation();
            if (code && isModifierKey(*code)) {
                result.type = EventType::flagsChanged;
                const std::uint64_t own = keys::modifierKeyFlags(*code);
                result.modifierFlags = pressed ? before | own : before & ~own;
            } else {
                result.type = pressed ? EventType::keyDown : EventType::keyUp;
                result.modifierFlags = before;
            }
            return result;
        }
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseButtonRelease: {
            const auto& mouse = static_cast<QMouseEvent&>(event);
            const bool down = event.type() != QEvent::MouseButtonRelease;
            desktop::Event result;
            if (mouse.button() == Qt::LeftButton)
                result.type = down ? EventType::leftMouseDown : EventType::leftMouseUp;
            else if (mouse.button() == Qt::RightButton)
                result.type = down ? EventType::rightMouseDown : EventType::rightMouseUp;
            else
                return std::nullopt;
            const core::Point origin = desktop::globalSpace().qtOrigin();
            result.location = {mouse.globalPosition().x() - origin.x, mouse.globalPosition().y() - origin.y};
            result.clickState = event.type() == QEvent::MouseButtonDblClick ? 2 : 1;
            result.modifierFlags = flagsOfHeldKeys(input_.heldModifiers());
            return result;
        }
        default: return std::nullopt;
        }
    }

    X11Input& input_;
};

X11Input::X11Input(std::shared_ptr<Connection> connection, std::shared_ptr<const X11KeyMap> keyMap)
    : connection_(std::move(connection)), keyMap_(std::move(keyMap)), topLevels_(connection_), poll_(connection_)
{
    if (!connection_->hasXInput()) return;
    xcb_connection_t* xcb = connection_->xcb();
    xinputOpcode_ = xcb_get_extension_data(xcb, &xcb_input_id)->major_opcode;
    eventHandler_ = connection_->addEventHandler([this](const xcb_generic_event_t& event) { handleRawEvent(event); });
    struct {
        xcb_input_event_mask_t head;
        std::uint32_t mask;
    } selection{{XCB_INPUT_DEVICE_ALL_MASTER, 1},
                XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS | XCB_INPUT_XI_EVENT_MASK_RAW_KEY_RELEASE |
                    XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS};
    xcb_input_xi_select_events(xcb, connection_->root(), 1, &selection.head);
    connection_->flush();
}

X11Input::~X11Input()
{
    delete localFilter_;
    if (eventHandler_ == 0) return;
    connection_->removeEventHandler(eventHandler_);
    struct {
        xcb_input_event_mask_t head;
        std::uint32_t mask;
    } none{{XCB_INPUT_DEVICE_ALL_MASTER, 1}, 0};
    xcb_input_xi_select_events(connection_->xcb(), connection_->root(), 1, &none.head);
    connection_->flush();
}

std::optional<PointerState> X11Input::queryPointer()
{
    xcb_connection_t* xcb = connection_->xcb();
    return pointerOf(xcb_query_pointer_reply(xcb, xcb_query_pointer(xcb, connection_->root()), nullptr));
}

core::Point X11Input::pointerLocation()
{
    const auto state = queryPointer();
    return state ? state->location : core::Point{};
}

int X11Input::warpPointer(core::Point to)
{
    const core::Point native = desktop::globalSpace().toNative(to);
    const auto cookie =
        xcb_warp_pointer_checked(connection_->xcb(), XCB_WINDOW_NONE, connection_->root(), 0, 0, 0, 0,
                                 static_cast<std::int16_t>(native.x), static_cast<std::int16_t>(native.y));
    if (auto* error = xcb_request_check(connection_->xcb(), cookie)) {
        std::free(error);
        return failure;
    }
    return 0;
}

int X11Input::moveCursorToPoint(desktop::DisplayID display, core::Point point)
{
    const auto target = desktop::displays().display(display);
    if (!target) return illegalArgument;
    return warpPointer({target->frame.minX() + point.x, target->frame.minY() + point.y});
}

// The X server never parts the pointer from the mouse.
void X11Input::associateMouseAndCursor(bool) {}

void X11Input::beep()
{
    xcb_bell(connection_->xcb(), 0);
    connection_->flush();
}

namespace {

bool buttonDownIn(const std::optional<PointerState>& state, int button)
{
    static constexpr std::uint16_t masks[] = {XCB_BUTTON_MASK_1, XCB_BUTTON_MASK_3, XCB_BUTTON_MASK_2};
    return button >= 0 && button <= 2 && state && (state->mask & masks[button]);
}

}  // namespace

bool X11Input::isButtonDown(int button) { return button >= 0 && button <= 2 && buttonDownIn(queryPointer(), button); }

namespace {

std::optional<X11KeyMap::KeyVector> queryKeys(xcb_connection_t* xcb)
{
    return keysOf(xcb_query_keymap_reply(xcb, xcb_query_keymap(xcb), nullptr));
}

}  // namespace

bool X11Input::isKeyDown(int keyCode)
{
    const auto keys = queryKeys(connection_->xcb());
    return keys && keyMap_->isDown(*keys, keyCode);
}

std::vector<int> X11Input::heldModifiers()
{
    const auto keys = queryKeys(connection_->xcb());
    return keys ? keyMap_->heldModifiers(*keys) : std::vector<int>{};
}

std::uint64_t X11Input::flagsAfter(std::vector<int> held, int keyCode, bool pressed)
{
    held.erase(std::remove(held.begin(), held.end(), keyCode), held.end());
    if (pressed) held.push_back(keyCode);
    return flagsOfHeldKeys(held);
}

std::uint64_t X11Input::flagsOf(const std::optional<X11KeyMap::KeyVector>& keys,
                                const std::optional<PointerState>& pointer)
{
    // Caps Lock counts while it is lit, not only while held.
    const std::uint64_t locked = pointer ? keys::flagsOfState(pointer->mask) & desktop::modifier::capsLock : 0;
    return flagsOfHeldKeys(keys ? keyMap_->heldModifiers(*keys) : std::vector<int>{}) | locked;
}

std::uint64_t X11Input::modifierFlags()
{
    const auto pointer = queryPointer();
    return flagsOf(queryKeys(connection_->xcb()), pointer);
}

core::Point X11Input::polledPointerLocation()
{
    const auto state = poll_.pointer();
    return state ? state->location : core::Point{};
}

bool X11Input::polledButtonDown(int button) { return buttonDownIn(poll_.pointer(), button); }

bool X11Input::polledKeyDown(int keyCode)
{
    const auto keys = poll_.keys();
    return keys && keyMap_->isDown(*keys, keyCode);
}

std::uint64_t X11Input::polledModifierFlags() { return flagsOf(poll_.keys(), poll_.pointer()); }

std::optional<std::string> X11Input::keyCap(int keyCode) { return keyMap_->cap(keyCode); }

void X11Input::postEvent(const desktop::Event& event) { x11::postEvent(*connection_, *keyMap_, event); }

void X11Input::handleRawEvent(const xcb_generic_event_t& event)
{
    if ((event.response_type & 0x7f) != XCB_GE_GENERIC) return;
    const auto& generic = reinterpret_cast<const xcb_ge_generic_event_t&>(event);
    if (generic.extension != xinputOpcode_) return;
    using desktop::EventType;
    const auto& raw = reinterpret_cast<const xcb_input_raw_key_press_event_t&>(event);
    desktop::Event result;
    std::optional<bool> modifierPressed;  // set for a modifier key's press or release
    switch (generic.event_type) {
    case XCB_INPUT_RAW_KEY_PRESS:
    case XCB_INPUT_RAW_KEY_RELEASE: {
        const bool pressed = generic.event_type == XCB_INPUT_RAW_KEY_PRESS;
        poll_.noteKey(static_cast<xcb_keycode_t>(raw.detail), pressed);
        const auto code = keyMap_->keyCode(static_cast<xcb_keycode_t>(raw.detail));
        result.keyCode = code.value_or(-1);
        if (code && isModifierKey(*code)) {
            result.type = EventType::flagsChanged;
            modifierPressed = pressed;
        } else {
            result.type = pressed ? EventType::keyDown : EventType::keyUp;
        }
        break;
    }
    case XCB_INPUT_RAW_BUTTON_PRESS:
        if (raw.detail == 1)
            result.type = EventType::leftMouseDown;
        else if (raw.detail == 3)
            result.type = EventType::rightMouseDown;
        else
            return;
        break;
    default: return;
    }
    // The server's state is only asked for events someone listens to.
    {
        std::lock_guard lock(mutex_);
        const auto listens = [&](const auto& monitor) { return monitor.second.mask & desktop::maskOf(result.type); };
        if (std::none_of(globalMonitors_.begin(), globalMonitors_.end(), listens) &&
            std::none_of(keyboardMonitors_.begin(), keyboardMonitors_.end(), listens))
            return;
    }
    // Both asked before either answer is awaited: one round trip per event.
    xcb_connection_t* xcb = connection_->xcb();
    const auto keysCookie = xcb_query_keymap(xcb);
    const auto pointerCookie = xcb_query_pointer(xcb, connection_->root());
    const auto keys = keysOf(xcb_query_keymap_reply(xcb, keysCookie, nullptr));
    const auto pointer = pointerOf(xcb_query_pointer_reply(xcb, pointerCookie, nullptr));
    const auto held = keys ? keyMap_->heldModifiers(*keys) : std::vector<int>{};
    result.modifierFlags = modifierPressed ? flagsAfter(held, result.keyCode, *modifierPressed) : flagsOfHeldKeys(held);
    if (pointer) {
        result.location = pointer->location;
        if (pointer->topLevel != XCB_WINDOW_NONE) result.targetWindow = topLevels_.clientOf(pointer->topLevel);
    }
    dispatch::main().async(lifetime_.guard([result](X11Input& self) { self.deliverGlobal(result); }));
}

bool X11Input::isOurs(const desktop::Event& event)
{
    using desktop::EventType;
    if (event.type == EventType::keyDown || event.type == EventType::keyUp || event.type == EventType::flagsChanged)
        return qGuiApp && QGuiApplication::focusWindow() != nullptr;
    const auto windows = qGuiApp ? QGuiApplication::topLevelWindows() : QWindowList{};
    return std::any_of(windows.begin(), windows.end(), [&](QWindow* window) {
        return window->isVisible() && window->handle() && window->winId() == event.targetWindow;
    });
}

void X11Input::deliverGlobal(desktop::Event event)
{
    forEachMonitor(keyboardMonitors_, event.type, [&](const GlobalHandler& handler) {
        handler(event);
        return true;
    });
    if (isOurs(event)) return;
    if (event.type == desktop::EventType::leftMouseDown) {
        // Qt's double-click rule, as our own windows count clicks.
        const double now = secondsNow();
        const auto* hints = qGuiApp ? QGuiApplication::styleHints() : nullptr;
        const double interval = (hints ? hints->mouseDoubleClickInterval() : 400) / 1000.0;
        const double distance = hints ? hints->mouseDoubleClickDistance() : 5;
        const bool near =
            std::hypot(event.location.x - lastClickLocation_.x, event.location.y - lastClickLocation_.y) <= distance;
        clickCount_ = lastClickTime_ >= 0 && now - lastClickTime_ <= interval && near ? clickCount_ + 1 : 1;
        lastClickTime_ = now;
        lastClickLocation_ = event.location;
        event.clickState = clickCount_;
    }
    forEachMonitor(globalMonitors_, event.type, [&](const GlobalHandler& handler) {
        handler(event);
        return true;
    });
}

template <class Handler, class Call>
void X11Input::forEachMonitor(std::map<desktop::Token, Monitor<Handler>>& monitors, desktop::EventType type, Call call)
{
    // Each monitor is looked up again just before its call: one an earlier handler removed
    // does not fire.
    std::vector<desktop::Token> tokens;
    {
        std::lock_guard lock(mutex_);
        for (const auto& [token, monitor] : monitors)
            if (monitor.mask & desktop::maskOf(type)) tokens.push_back(token);
    }
    for (const auto token : tokens) {
        std::shared_ptr<Handler> handler;
        {
            std::lock_guard lock(mutex_);
            const auto it = monitors.find(token);
            if (it == monitors.end()) continue;
            handler = it->second.handler;
        }
        if (!call(*handler)) return;
    }
}

bool X11Input::deliverLocal(const desktop::Event& event)
{
    bool passed = true;
    forEachMonitor(localMonitors_, event.type, [&](const LocalHandler& handler) {
        // A changed event cannot be handed back to Qt: only swallowing counts.
        passed = handler(event).has_value();
        return passed;
    });
    return passed;
}

desktop::Token X11Input::addGlobalMonitor(std::uint64_t mask, std::function<void(const desktop::Event&)> handler)
{
    std::lock_guard lock(mutex_);
    const desktop::Token token = nextToken_++;
    globalMonitors_[token] = {mask, std::make_shared<GlobalHandler>(std::move(handler))};
    return token;
}

// Called on the main queue, where Qt's application lives.
desktop::Token X11Input::addLocalMonitor(std::uint64_t mask,
                                         std::function<std::optional<desktop::Event>(const desktop::Event&)> handler)
{
    if (!localFilter_ && QCoreApplication::instance()) {
        localFilter_ = new LocalEventFilter(*this);
        QCoreApplication::instance()->installEventFilter(localFilter_);
    }
    std::lock_guard lock(mutex_);
    const desktop::Token token = nextToken_++;
    localMonitors_[token] = {mask, std::make_shared<LocalHandler>(std::move(handler))};
    return token;
}

std::optional<desktop::Token> X11Input::addKeyboardMonitor(std::function<void(const desktop::Event&)> handler)
{
    if (eventHandler_ == 0) return std::nullopt;
    std::lock_guard lock(mutex_);
    const desktop::Token token = nextToken_++;
    keyboardMonitors_[token] = {desktop::maskOf(desktop::EventType::keyDown),
                                std::make_shared<GlobalHandler>(std::move(handler))};
    return token;
}

void X11Input::removeMonitor(desktop::Token token)
{
    std::lock_guard lock(mutex_);
    globalMonitors_.erase(token);
    localMonitors_.erase(token);
    keyboardMonitors_.erase(token);
}

std::optional<desktop::Token> X11Input::createEventTap(std::uint64_t, std::function<bool(const desktop::Event&)>)
{
    return std::nullopt;
}

void X11Input::setEventTapEnabled(desktop::Token, bool) {}

void X11Input::removeEventTap(desktop::Token) {}

}  // namespace x11
