#pragma once

#include "platform/desktop/Types.h"
#include "platform/x11/X11Connection.h"

namespace x11 {

// A still picture of a client's window as the user sees it (the window manager's frame,
// decorations included, invisible borders left out) at the given pixel scale; none when
// it cannot be read (an iconified, unmapped or destroyed window, or one whose client did
// not draw again in time after the redirect the picture needs).
desktop::PixelBufferRef windowImage(Connection& connection, xcb_window_t frame, double scale);

}  // namespace x11
