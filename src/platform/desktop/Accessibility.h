#pragma once

#include "platform/core/Geometry.h"
#include "platform/desktop/Types.h"

#include <functional>
#include <optional>
#include <variant>

namespace desktop {

// Accessibility error codes, with the platform's values.
namespace ax {
using Error = std::int32_t;
constexpr Error success = 0;
constexpr Error failure = -25200;
constexpr Error illegalArgument = -25201;
constexpr Error invalidUIElement = -25202;
constexpr Error invalidUIElementObserver = -25203;
constexpr Error cannotComplete = -25204;
constexpr Error attributeUnsupported = -25205;
constexpr Error actionUnsupported = -25206;
constexpr Error notificationUnsupported = -25207;
constexpr Error notImplemented = -25208;
constexpr Error notificationAlreadyRegistered = -25209;
constexpr Error notificationNotRegistered = -25210;
constexpr Error apiDisabled = -25211;
constexpr Error noValue = -25212;

// Attribute, action and notification names.
inline constexpr const char* windows = "AXWindows";
inline constexpr const char* position = "AXPosition";
inline constexpr const char* size = "AXSize";
inline constexpr const char* minSize = "AXMinSize";
inline constexpr const char* minimized = "AXMinimized";
inline constexpr const char* focusedWindow = "AXFocusedWindow";
inline constexpr const char* focusedApplication = "AXFocusedApplication";
inline constexpr const char* raise = "AXRaise";
inline constexpr const char* windowResized = "AXWindowResized";
inline constexpr const char* windowMoved = "AXWindowMoved";
inline constexpr const char* focusedWindowChanged = "AXFocusedWindowChanged";
}  // namespace ax

// A handle on an accessibility element: an application (window 0), one of its windows,
// or the system-wide element (pid 0, window 0).
struct Element {
    Pid pid = 0;
    WindowID window = 0;
    bool operator==(const Element&) const = default;
};

// How far in from a window's bounds its top-right corner is clear of title-bar buttons.
struct CornerInset {
    double top = 0;
    double right = 0;
    bool operator==(const CornerInset&) const = default;
};

using AXValue = std::variant<std::monostate, bool, core::Point, core::Size, Element, std::vector<Element>>;

class Accessibility {
public:
    virtual ~Accessibility() = default;

    // Whether this process may use accessibility; with prompt, an untrusted process makes
    // the system show its permission dialog.
    virtual bool isTrusted(bool prompt = false) = 0;

    static Element applicationElement(Pid pid) { return Element{pid, 0}; }
    static Element systemWideElement() { return Element{0, 0}; }

    // Points and sizes are global (top-left origin). May block while the application is
    // busy.
    virtual ax::Error copyAttribute(const Element& element, const std::string& attribute, AXValue& value) = 0;
    virtual ax::Error setAttribute(const Element& element, const std::string& attribute, const AXValue& value) = 0;
    // Writes a window's position and size, each write's result apart. Where the platform
    // takes both in one request, the window never passes through a mix of old and new
    // (a window manager would keep a large window on screen by clamping its new place).
    struct FrameWrite {
        ax::Error size = ax::success;
        ax::Error position = ax::success;
    };
    virtual FrameWrite setFrame(const Element& element, const core::Rect& frame, bool sizeFirst)
    {
        FrameWrite result;
        if (sizeFirst) result.size = setAttribute(element, ax::size, frame.size);
        result.position = setAttribute(element, ax::position, frame.origin);
        if (!sizeFirst) result.size = setAttribute(element, ax::size, frame.size);
        return result;
    }
    virtual ax::Error performAction(const Element& element, const std::string& action) = 0;
    // The window number of a window element; none for other elements.
    virtual std::optional<WindowID> windowNumber(const Element& element) = 0;

    // Where the top-right corner of a window of the list (its bounds as the window list
    // gives them, in points) is clear of the buttons of its title bar, the window
    // manager's or its own; zero where title bars keep their buttons elsewhere, and for a
    // window that is gone.
    virtual CornerInset buttonFreeCorner(WindowID window) = 0;

    // An observer of one application's notifications; its callback runs on the main queue
    // with the element and the notification name.
    using ObserverCallback = std::function<void(const Element&, const std::string& notification)>;
    virtual ax::Error createObserver(Pid pid, ObserverCallback callback, Token& observer) = 0;
    virtual ax::Error addNotification(Token observer, const Element& element, const std::string& notification) = 0;
    virtual ax::Error removeNotification(Token observer, const Element& element, const std::string& notification) = 0;
    virtual void destroyObserver(Token observer) = 0;
};

}  // namespace desktop
