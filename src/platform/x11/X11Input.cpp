#include "platform/x11/X11Input.h"

#include "platform/desktop/Desktop.h"
#include "platform/desktop/GlobalSpace.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11EventPosting.h"

#include <cstdlib>

namespace x11 {
namespace {

// The platform's error codes for pointer moves.
constexpr int failure = 1000;
constexpr int illegalArgument = 1001;

// Alt is Mod1 and the Super ("Windows") key Mod4 under every common keyboard map.
std::uint64_t flagsOf(std::uint16_t mask)
{
    std::uint64_t flags = 0;
    if (mask & XCB_MOD_MASK_LOCK) flags |= desktop::modifier::capsLock;
    if (mask & XCB_MOD_MASK_SHIFT) flags |= desktop::modifier::shift;
    if (mask & XCB_MOD_MASK_CONTROL) flags |= desktop::modifier::control;
    if (mask & XCB_MOD_MASK_1) flags |= desktop::modifier::option;
    if (mask & XCB_MOD_MASK_4) flags |= desktop::modifier::command;
    return flags;
}

// The flag a modifier key sets; 0 for any other key.
std::uint64_t flagOfKey(int keyCode)
{
    switch (keyCode) {
    case desktop::key::shift:
    case desktop::key::rightShift: return desktop::modifier::shift;
    case desktop::key::control:
    case desktop::key::rightControl: return desktop::modifier::control;
    case desktop::key::option:
    case desktop::key::rightOption: return desktop::modifier::option;
    case desktop::key::command:
    case desktop::key::rightCommand: return desktop::modifier::command;
    case desktop::key::capsLock: return desktop::modifier::capsLock;
    default: return 0;
    }
}

}  // namespace

X11Input::X11Input(std::shared_ptr<Connection> connection) : connection_(std::move(connection)) {}

std::optional<X11Input::PointerState> X11Input::queryPointer()
{
    xcb_connection_t* xcb = connection_->xcb();
    auto* reply = xcb_query_pointer_reply(xcb, xcb_query_pointer(xcb, connection_->root()), nullptr);
    if (!reply) return std::nullopt;
    const PointerState state{desktop::globalSpace().toGlobal(core::Point{double(reply->root_x), double(reply->root_y)}),
                             reply->mask};
    std::free(reply);
    return state;
}

core::Point X11Input::pointerLocation()
{
    const auto state = queryPointer();
    return state ? state->location : core::Point{};
}

int X11Input::warpPointer(core::Point to)
{
    const core::Point native = desktop::globalSpace().toNative(to);
    const auto cookie = xcb_warp_pointer_checked(connection_->xcb(), XCB_WINDOW_NONE, connection_->root(), 0, 0, 0, 0,
                                                 static_cast<std::int16_t>(native.x),
                                                 static_cast<std::int16_t>(native.y));
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

bool X11Input::isButtonDown(int button)
{
    static constexpr std::uint16_t masks[] = {XCB_BUTTON_MASK_1, XCB_BUTTON_MASK_3, XCB_BUTTON_MASK_2};
    if (button < 0 || button > 2) return false;
    const auto state = queryPointer();
    return state && (state->mask & masks[button]);
}

bool X11Input::isKeyDown(int keyCode)
{
    const std::uint64_t flag = flagOfKey(keyCode);
    return flag && (modifierFlags() & flag);
}

std::uint64_t X11Input::modifierFlags()
{
    const auto state = queryPointer();
    return state ? flagsOf(state->mask) : 0;
}

void X11Input::postEvent(const desktop::Event& event)
{
    x11::postEvent(*connection_, event);
}

desktop::Token X11Input::addGlobalMonitor(std::uint64_t, std::function<void(const desktop::Event&)>)
{
    return nextToken_++;
}

desktop::Token X11Input::addLocalMonitor(std::uint64_t,
                                        std::function<std::optional<desktop::Event>(const desktop::Event&)>)
{
    return nextToken_++;
}

void X11Input::removeMonitor(desktop::Token) {}

std::optional<desktop::Token> X11Input::createEventTap(std::uint64_t, std::function<bool(const desktop::Event&)>)
{
    return std::nullopt;
}

void X11Input::setEventTapEnabled(desktop::Token, bool) {}

void X11Input::removeEventTap(desktop::Token) {}

}  // namespace x11
