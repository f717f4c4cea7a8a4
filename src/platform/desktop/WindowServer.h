#pragma once

#include "platform/core/Geometry.h"
#include "platform/desktop/Types.h"
#include "platform/desktop/WindowPresence.h"

#include <cstdint>
#include <functional>
#include <optional>

namespace desktop {

// One entry of the window list. A field the window server did not report is none, as a
// missing dictionary key would be. Bounds are global (top-left origin) points.
struct WindowInfo {
    WindowID number = 0;
    std::optional<Pid> ownerPid;
    std::optional<std::string> ownerName;
    std::optional<std::string> name;  // the window's title
    std::optional<long> layer;
    std::optional<core::Rect> bounds;
    std::optional<bool> isOnscreen;
    std::optional<double> alpha;
    std::optional<int> sharingState;  // 0 none, 1 read-only, 2 read-write
};

enum class WindowListOption {
    all,                  // every window, on screen or not
    onScreenOnly,         // windows on screen, front to back
    onScreenAboveWindow,  // on-screen windows in front of the relative window
    onScreenBelowWindow,  // on-screen windows behind the relative window
    includingWindow,      // only the relative window
};

// Window levels the system's own windows use.
namespace level {
constexpr long normal = 0;
constexpr long floating = 3;
constexpr long dock = 20;
constexpr long mainMenu = 24;
constexpr long statusBar = 25;
constexpr long popUpMenu = 101;
constexpr long screenSaver = 1000;
}  // namespace level

// What the desktop needs to know of one of the application's own windows so that it can
// list it, stack it, composite it and hand it events.
struct OwnWindowState {
    std::string title;
    core::Rect frame;  // global points
    long level = level::normal;
    double alpha = 1;
    bool visible = false;
    bool ignoresMouseEvents = false;
    // The window system's own window behind it (an X window id); 0 when it has none.
    std::uint64_t nativeWindow = 0;
};

// The window's current picture at the given pixel scale; empty when it has none.
using OwnWindowGrab = std::function<PixelBufferRef(double scale)>;
// Hands a mouse or key event aimed at the window (location in global points) to it.
struct Event;
using OwnWindowEventSink = std::function<void(const Event&)>;
// Told on the main queue of a move the desktop itself made to the window (a display it
// lay on went away), with the new frame in global points.
using OwnWindowMoved = std::function<void(const core::Rect& frame)>;

// Told on the main queue when another client destroyed the window system's window behind
// one of ours (an X client may destroy any window), with that window's id.
using OwnWindowDestroyed = std::function<void(std::uint64_t nativeWindow)>;

enum class ImageResolution { nominal, best };

class WindowServer {
public:
    virtual ~WindowServer() = default;

    // Front to back. None when the window server gives no list. The list of one window
    // (includingWindow), which the periodic checks of a source ask for, never waits on the
    // server; a whole list may wait briefly for a window that just came or went.
    virtual std::optional<std::vector<WindowInfo>> windowList(WindowListOption option, WindowID relativeTo = 0,
                                                              bool excludeDesktopElements = false) = 0;
    // The window's current picture, as the window server composites it; none when it
    // does not exist or cannot be read.
    virtual PixelBufferRef windowImage(WindowID window, ImageResolution resolution = ImageResolution::nominal) = 0;
    // Where the list tells all there is, a listed window exists and any other does not; a
    // server whose list may leave out a window that still exists says more. Any thread,
    // never waiting on the server: the alive checks ask it every second.
    virtual WindowPresence windowPresence(WindowID window);
    // The life of the window the number names now; one that never hands a number on
    // answers 0 always. Any thread, never waiting on the server.
    virtual WindowLife windowLife(WindowID window)
    {
        (void)window;
        return 0;
    }
    // Where the window of that life stands: once destroyed, it stays destroyed, though its
    // number names another window now.
    WindowPresence windowPresence(WindowID window, WindowLife life);

    // The application's own windows join the list, stacked by level; the number is the
    // window's for life. Ordering a window front puts it before the others of its level.
    virtual WindowID registerOwnWindow(const OwnWindowState& state, OwnWindowGrab grab, OwnWindowEventSink sink,
                                       OwnWindowMoved moved = {}) = 0;
    virtual void updateOwnWindow(WindowID window, const OwnWindowState& state) = 0;
    virtual void orderOwnWindowFront(WindowID window) = 0;
    // The application's key presses go to this window while it is shown, though other
    // windows of the application stand before it.
    virtual void makeOwnWindowKey(WindowID window) = 0;
    virtual void unregisterOwnWindow(WindowID window) = 0;
    // Where no other client can destroy our windows, nothing is ever told.
    virtual void onOwnWindowDestroyed(WindowID window, OwnWindowDestroyed destroyed)
    {
        (void)window;
        (void)destroyed;
    }
};

}  // namespace desktop
