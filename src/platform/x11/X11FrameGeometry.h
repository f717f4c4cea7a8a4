#pragma once

#include "platform/core/Geometry.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11ReadSize.h"

#include <cstdint>
#include <optional>
#include <vector>

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
// The extents a _NET_FRAME_EXTENTS value names (left, right, top, bottom); none unless it
// has all four.
FrameExtents extentsOf(const std::vector<std::uint32_t>& values);
// Any client may write the property: no decoration is wider or taller than the screen.
FrameExtents clampedToScreen(FrameExtents extents, core::Size screen);

// How far in from a client's frame, in pixels, its top-right corner is clear of title-bar
// buttons: below the window manager's title bar, inside its border and inside the shadow
// a client that draws its own title bar leaves around it. Such a client (ownTitleBar)
// keeps its buttons in a band at its top whose height no property tells.
struct ButtonClearance {
    double top = 0;
    double right = 0;
    bool ownTitleBar = false;
};
ButtonClearance buttonClearance(Connection& connection, xcb_window_t client);

// The part of a frame's picture (its pixmap, border included) that the user sees as the
// window: the client (at its place in the picture) with the decorations
// _NET_FRAME_EXTENTS names, without the invisible borders a window manager may put around
// them to resize by (metacity), and without the shadow a client that draws its own
// decorations leaves around them (_GTK_FRAME_EXTENTS). The whole picture when that leaves
// nothing of it.
PixelRect shownPart(PixelSize picture, PixelRect client, FrameExtents decorations, FrameExtents shadow);
// The same, asked of the server for a frame and its client.
PixelRect shownPart(Connection& connection, xcb_window_t frame, xcb_window_t client, PixelSize picture);

// The client and its decorations, as the user sees them, in root pixels; none when the
// window is gone.
std::optional<core::Rect> framePixels(Connection& connection, xcb_window_t client);

}  // namespace x11
