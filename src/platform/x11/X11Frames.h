#pragma once

#include "platform/x11/X11Connection.h"

namespace x11 {

// The window manager's frame of a client: its ancestor that is a child of the root (the
// client itself when it has no frame); none when the window does not exist.
xcb_window_t frameWindow(Connection& connection, xcb_window_t client);

}  // namespace x11
