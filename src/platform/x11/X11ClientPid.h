#pragma once

#include "platform/desktop/Types.h"
#include "platform/x11/X11Connection.h"

#include <optional>

namespace x11 {

// The pid of the process that owns a client window: its _NET_WM_PID, else what the
// X-Resource extension knows of the connection that made it (clients such as xeyes set
// no pid). None when the window is gone or the client is remote.
std::optional<desktop::Pid> clientPid(Connection& connection, xcb_window_t window);

}  // namespace x11
