#include "platform/x11/X11EventPosting.h"

#include "platform/desktop/GlobalSpace.h"
#include "platform/x11/X11ClientFacts.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Ewmh.h"
#include "platform/x11/X11KeyMap.h"

#include <xcb/xtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <thread>
#include <unistd.h>

namespace x11 {
namespace {

constexpr std::uint8_t leftButton = 1;
constexpr std::uint8_t rightButton = 3;
constexpr std::uint8_t wheelUp = 4;
constexpr std::uint8_t wheelDown = 5;
constexpr std::uint8_t wheelLeft = 6;
constexpr std::uint8_t wheelRight = 7;
// A scroll's delta counts wheel notches; a wild one must not flood the server.
constexpr long maxNotches = 100;
// How long a raised window may take the window manager.
constexpr auto restackPatience = std::chrono::milliseconds(500);

struct RootPixel {
    std::int16_t x = 0;
    std::int16_t y = 0;
};

RootPixel nativeOf(core::Point global)
{
    const core::Point native = desktop::globalSpace().toNative(global);
    const auto clamp = [](double v) { return static_cast<std::int16_t>(std::clamp(std::lround(v), -32768L, 32767L)); };
    return {clamp(native.x), clamp(native.y)};
}

void moveTo(Connection& connection, RootPixel to)
{
    xcb_test_fake_input(connection.xcb(), XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, connection.root(), to.x, to.y, 0);
}

// A button or a key: both go by their number alone.
void press(Connection& connection, std::uint8_t type, std::uint8_t number)
{
    xcb_test_fake_input(connection.xcb(), type, number, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0, 0);
}

// A key this keyboard lacks is not posted.
void key(Connection& connection, const X11KeyMap& keyMap, std::uint8_t type, int keyCode)
{
    const auto keycodes = keyMap.keycodes(keyCode);
    if (!keycodes.empty()) press(connection, type, keycodes.front());
}

// Waits until the server has acted on everything sent so far, so that the next event
// posted (or read) finds the pointer and the windows as this one left them.
void sync(Connection& connection)
{
    std::free(xcb_get_input_focus_reply(connection.xcb(), xcb_get_input_focus(connection.xcb()), nullptr));
}

void scroll(Connection& connection, const desktop::Event& event)
{
    auto* pointer =
        xcb_query_pointer_reply(connection.xcb(), xcb_query_pointer(connection.xcb(), connection.root()), nullptr);
    if (!pointer) return;
    const RootPixel home{pointer->root_x, pointer->root_y};
    std::free(pointer);

    moveTo(connection, nativeOf(event.location));
    const auto notches = [&](double delta, std::uint8_t positive, std::uint8_t negative) {
        const long count = std::min(std::max(std::lround(std::abs(delta)), delta != 0 ? 1L : 0L), maxNotches);
        for (long i = 0; i < count; ++i) {
            press(connection, XCB_BUTTON_PRESS, delta > 0 ? positive : negative);
            press(connection, XCB_BUTTON_RELEASE, delta > 0 ? positive : negative);
        }
    };
    notches(event.scrollDeltaY, wheelUp, wheelDown);
    notches(event.scrollDeltaX, wheelLeft, wheelRight);
    moveTo(connection, home);
}

// Where the topmost client at the point is one of ours and not the target, puts the
// target right under it: our window lets the click through to what lies beneath.
// Our windows stay in the layer above others, so the target never comes over them.
void raiseUnderOwnCover(Connection& connection, xcb_window_t target, RootPixel at)
{
    // Any client may write the list: only its front end is read.
    const auto stacking = ewmh::stackingList(connection).value_or(std::vector<std::uint32_t>{});
    const auto facts = readClientFacts(connection, stacking);
    const core::Point point{double(at.x), double(at.y)};
    std::optional<std::size_t> top;
    for (std::size_t i = stacking.size(); i-- > 0;)
        if (facts[i] && facts[i]->viewable && facts[i]->pixels.contains(point)) {
            top = i;
            break;
        }
    if (!top || stacking[*top] == target || facts[*top]->pid != ::getpid()) return;
    if (std::find(stacking.begin(), stacking.end(), target) == stacking.end()) return;

    // "Above the window right under ours" rather than "below ours": window managers that
    // ignore the sibling (openbox) then still raise it within its layer, under our windows
    // that stay above.
    const xcb_window_t cover = stacking[*top];
    const xcb_window_t beneath = stacking[*top - 1];
    if (beneath == target) return;
    ewmh::restack(connection, target, beneath, XCB_STACK_MODE_ABOVE);
    const auto deadline = std::chrono::steady_clock::now() + restackPatience;
    while (std::chrono::steady_clock::now() < deadline) {
        const auto now = ewmh::stackingList(connection).value_or(std::vector<std::uint32_t>{});
        const auto coverAt = std::find(now.begin(), now.end(), cover);
        if (coverAt != now.begin() && coverAt != now.end() && *(coverAt - 1) == target) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void buttonDown(Connection& connection, const desktop::Event& event, std::uint8_t number)
{
    const RootPixel at = nativeOf(event.location);
    if (event.targetWindow != 0) raiseUnderOwnCover(connection, event.targetWindow, at);
    moveTo(connection, at);
    press(connection, XCB_BUTTON_PRESS, number);
}

void buttonUp(Connection& connection, const desktop::Event& event, std::uint8_t number)
{
    moveTo(connection, nativeOf(event.location));
    press(connection, XCB_BUTTON_RELEASE, number);
}

}  // namespace

void postEvent(Connection& connection, const X11KeyMap& keyMap, const desktop::Event& event)
{
    // The launch says once when the display has no XTest.
    if (!connection.hasXTest()) return;
    using desktop::EventType;
    switch (event.type) {
    case EventType::leftMouseDown: buttonDown(connection, event, leftButton); break;
    case EventType::leftMouseUp: buttonUp(connection, event, leftButton); break;
    case EventType::rightMouseDown: buttonDown(connection, event, rightButton); break;
    case EventType::rightMouseUp: buttonUp(connection, event, rightButton); break;
    case EventType::mouseMoved:
    case EventType::leftMouseDragged:
    case EventType::rightMouseDragged: moveTo(connection, nativeOf(event.location)); break;
    case EventType::scrollWheel: scroll(connection, event); break;
    case EventType::keyDown: key(connection, keyMap, XCB_KEY_PRESS, event.keyCode); break;
    case EventType::keyUp: key(connection, keyMap, XCB_KEY_RELEASE, event.keyCode); break;
    case EventType::flagsChanged: return;
    }
    sync(connection);
}

}  // namespace x11
