#pragma once

#include <xcb/xcb.h>

#include <functional>
#include <memory>

namespace x11 {

// The XEmbed system tray of Qt's screen: the client that owns _NET_SYSTEM_TRAY_S<screen>.

// The tray's manager window; none while no tray runs or Qt is not on X11. Main thread only.
xcb_window_t traySelectionOwner();

// Tells, on the main thread, each time the tray's owner changes (a tray starts, ends or
// takes over from another), until it is destroyed. Only one may exist at a time: the
// server keeps one such request per window and client.
class TraySelectionWatch {
public:
    virtual ~TraySelectionWatch() = default;
};
// None where Qt is not on X11.
std::unique_ptr<TraySelectionWatch> watchTraySelection(std::function<void()> changed);

}  // namespace x11
