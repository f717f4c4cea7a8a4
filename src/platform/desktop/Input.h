#pragma once

#include "platform/core/Geometry.h"
#include "platform/desktop/Types.h"

#include <functional>
#include <optional>
#include <string>

namespace desktop {

// Modifier flags with the platform's bit values: device-independent bits, and the
// device-dependent bits that tell left from right.
namespace modifier {
constexpr std::uint64_t capsLock = 0x10000;
constexpr std::uint64_t shift = 0x20000;
constexpr std::uint64_t control = 0x40000;
constexpr std::uint64_t option = 0x80000;
constexpr std::uint64_t command = 0x100000;
constexpr std::uint64_t function = 0x800000;
constexpr std::uint64_t deviceIndependentMask = 0xffff0000;

constexpr std::uint64_t leftControl = 0x1;
constexpr std::uint64_t leftShift = 0x2;
constexpr std::uint64_t rightShift = 0x4;
constexpr std::uint64_t leftCommand = 0x8;
constexpr std::uint64_t rightCommand = 0x10;
constexpr std::uint64_t leftOption = 0x20;
constexpr std::uint64_t rightOption = 0x40;
constexpr std::uint64_t rightControl = 0x2000;
}  // namespace modifier

// Virtual key codes of the platform's keyboard layout that the application names.
namespace key {
constexpr int a = 0x00;
constexpr int f = 0x03;
constexpr int h = 0x04;
constexpr int b = 0x0B;
constexpr int w = 0x0D;
constexpr int r = 0x0F;
constexpr int t = 0x11;
constexpr int p = 0x23;
constexpr int m = 0x2E;
constexpr int returnKey = 0x24;
constexpr int tab = 0x30;
constexpr int space = 0x31;
constexpr int deleteKey = 0x33;
constexpr int escape = 0x35;
constexpr int rightCommand = 0x36;
constexpr int command = 0x37;
constexpr int shift = 0x38;
constexpr int capsLock = 0x39;
constexpr int option = 0x3A;
constexpr int control = 0x3B;
constexpr int rightShift = 0x3C;
constexpr int rightOption = 0x3D;
constexpr int rightControl = 0x3E;
constexpr int function = 0x3F;
}  // namespace key

enum class EventType {
    leftMouseDown,
    leftMouseUp,
    rightMouseDown,
    rightMouseUp,
    mouseMoved,
    leftMouseDragged,
    rightMouseDragged,
    scrollWheel,
    keyDown,
    keyUp,
    flagsChanged,
};

// Bit of an event type in a monitor or tap mask.
constexpr std::uint64_t maskOf(EventType type) { return std::uint64_t{1} << static_cast<int>(type); }
constexpr std::uint64_t anyEventMask = ~std::uint64_t{0};

struct Event {
    EventType type = EventType::mouseMoved;
    core::Point location;  // global points
    int clickState = 0;    // 1 single, 2 double, ...
    double scrollDeltaX = 0;
    double scrollDeltaY = 0;
    int keyCode = -1;
    std::uint64_t modifierFlags = 0;
    std::int64_t userData = 0;  // the poster's own marker, carried unchanged
    // The window under the point when it was dispatched; a poster may name the window it
    // means the event for, and the desktop may make way for it.
    std::uint32_t targetWindow = 0;
};

class Input {
public:
    virtual ~Input() = default;

    // Global points.
    virtual core::Point pointerLocation() = 0;
    // Moves the pointer without generating a mouse event; answers the platform's error
    // code (0 success).
    virtual int warpPointer(core::Point to) = 0;
    // The same, relative to a display's top-left corner.
    virtual int moveCursorToPoint(DisplayID display, core::Point point) = 0;
    // Couples or decouples mouse movement and the cursor.
    virtual void associateMouseAndCursor(bool connected) = 0;

    // The system's alert sound.
    virtual void beep() = 0;

    virtual bool isButtonDown(int button) = 0;  // 0 left, 1 right, 2 centre
    virtual bool isKeyDown(int keyCode) = 0;
    virtual std::uint64_t modifierFlags() = 0;
    // The same reads for a caller that asks again and again (a poll timer): they may answer
    // what the window server told at the last poll, so that a busy server never holds up
    // the caller.
    virtual core::Point polledPointerLocation() { return pointerLocation(); }
    virtual bool polledButtonDown(int button) { return isButtonDown(button); }
    virtual bool polledKeyDown(int keyCode) { return isKeyDown(keyCode); }
    virtual std::uint64_t polledModifierFlags() { return modifierFlags(); }

    // What the user's keyboard layout prints on a key that types a character ("Ö" where
    // the platform's layout has ";"); none where the platform's own key names hold.
    virtual std::optional<std::string> keyCap(int /*keyCode*/) { return std::nullopt; }

    // Posts a synthetic event into the session, as if the user made it: it passes the
    // event tap and goes to the window under its location.
    virtual void postEvent(const Event& event) = 0;

    // Observes events going to other applications (global) or to this one (local, which
    // may also change or swallow them by returning none). Callbacks on the main queue.
    virtual Token addGlobalMonitor(std::uint64_t mask, std::function<void(const Event&)> handler) = 0;
    virtual Token addLocalMonitor(std::uint64_t mask, std::function<std::optional<Event>(const Event&)> handler) = 0;
    // Observes the keyboard's key-downs wherever they go, ours and those the window
    // manager or another client grabbed before any window saw them (callbacks on the main
    // queue). None where every key-down reaches the focused window, so that a local
    // monitor sees all a user aims at this application. Removed by removeMonitor.
    virtual std::optional<Token> addKeyboardMonitor(std::function<void(const Event&)> /*handler*/)
    {
        return std::nullopt;
    }
    virtual void removeMonitor(Token token) = 0;

    // Whether the keys that can be held to hide the mini windows are everyday modifiers
    // here, held for combinations all day (Ctrl+A): another key pressed while the hold key
    // is down then makes a combination, not a hold.
    virtual bool holdKeysAreEverydayModifiers() = 0;

    // Whether the window server itself resizes our borderless, resizable windows from a
    // drag at their edges; where it does not, such a window runs its own edge resize.
    virtual bool resizesBorderlessWindowsAtEdges() = 0;

    // Whether this desktop has session event taps at all; without them createEventTap
    // always answers none, which is no failure of the moment.
    virtual bool hasEventTaps() = 0;
    // A session event tap: sees every matching event before delivery and swallows it by
    // returning false. None when the tap cannot be created (no accessibility trust).
    virtual std::optional<Token> createEventTap(std::uint64_t mask, std::function<bool(const Event&)> handler) = 0;
    virtual void setEventTapEnabled(Token tap, bool enabled) = 0;
    virtual void removeEventTap(Token tap) = 0;
};

}  // namespace desktop
