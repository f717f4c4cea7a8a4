#pragma once

#include <xcb/xcb.h>

#include <functional>
#include <memory>

namespace x11 {

// Tells, on the main thread, of each of Qt's own X windows that is destroyed, until it is
// destroyed itself: another client may destroy one (a tray that destroys the window it
// embedded our icon in takes the icon's window with it), and Qt is not told.
class DestroyedWindowsWatch {
public:
    virtual ~DestroyedWindowsWatch() = default;
};
// None where Qt is not on X11.
std::unique_ptr<DestroyedWindowsWatch> watchDestroyedWindows(std::function<void(xcb_window_t)> destroyed);

}  // namespace x11
