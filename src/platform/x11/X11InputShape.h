#pragma once

#include "platform/x11/X11Connection.h"

namespace x11 {

// Lets the pointer through the window manager's frame around one of our windows, or gives
// the frame its input back. Qt empties the input shape of a window that ignores the mouse,
// but a window manager that reparents it (openbox) puts a frame around it that still takes
// clicks: the frame must let them through too. A window without a frame of its own is
// left to Qt. Safe on any thread.
void letPointerThroughFrame(Connection& connection, xcb_window_t client, bool through);

}  // namespace x11
