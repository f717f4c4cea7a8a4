#pragma once

#include "platform/core/Geometry.h"
#include "platform/x11/X11Connection.h"

#include <optional>

namespace x11 {

// The decorations the window manager draws around a client (_NET_FRAME_EXTENTS), in
// pixels; none for an undecorated client.
struct FrameExtents {
    double left = 0;
    double right = 0;
    double top = 0;
    double bottom = 0;
};
FrameExtents frameExtents(Connection& connection, xcb_window_t client);

// The client and its decorations, as the user sees them, in root pixels; none when the
// window is gone.
std::optional<core::Rect> framePixels(Connection& connection, xcb_window_t client);

}  // namespace x11
