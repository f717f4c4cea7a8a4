#pragma once

#include "platform/x11/X11Connection.h"

namespace x11 {

// The window manager's frame of a client: the child of the root that holds it (the
// client itself when nothing reparented it). None when the window does not exist.
xcb_window_t frameWindow(Connection& connection, xcb_window_t client);

}  // namespace x11
