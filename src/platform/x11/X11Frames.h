#pragma once

#include "platform/x11/X11Connection.h"

namespace x11 {

// The window manager's frame of a client: its ancestor that is a child of the root (the
// client itself when it has no frame); none when the window does not exist.
xcb_window_t frameWindow(Connection& connection, xcb_window_t client);

// The client a top-level window (a frame, or an unmanaged window itself) shows: the window
// that carries WM_STATE, found at most a few levels down; the window itself when none does.
xcb_window_t clientWindow(Connection& connection, xcb_window_t topLevel);

}  // namespace x11
