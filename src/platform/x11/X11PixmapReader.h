#pragma once

#include "platform/desktop/Types.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11ShmPool.h"

namespace x11 {

// A drawable of the server and what reading it needs to know.
struct DrawableInfo {
    xcb_drawable_t id = XCB_NONE;
    int width = 0;
    int height = 0;
    int depth = 0;
    xcb_visualid_t visual = 0;  // a window's visual; 0 for a pixmap of our own
};

// Whether readDrawable reads the drawable as it is: 32 bits a pixel (depth 24 or 32).
// Other depths (16, 30) are converted by drawing them on the server (composeOnServer).
bool readsDirectly(const DrawableInfo& drawable);

// Reads the whole drawable (depth 24 or 32) into a frame: through a segment of the pool
// when there is one (the frame is the segment, not a copy), else with a plain GetImage.
// A drawable without an alpha channel reads as opaque, its padding bytes left as the
// server wrote them. None when the server cannot read it (a window that is gone).
desktop::PixelBufferRef readDrawable(Connection& connection, ShmPool* pool, const DrawableInfo& drawable);
// Reads a drawable whose every pixel the server wrote opaque, alpha included (drawn from a
// source without alpha into depth 32): its pixels draw as they are read.
desktop::PixelBufferRef readOpaqueDrawable(Connection& connection, ShmPool* pool, const DrawableInfo& drawable);

}  // namespace x11
