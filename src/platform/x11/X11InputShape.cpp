#include "platform/x11/X11InputShape.h"

#include "platform/x11/X11Frames.h"

#include <xcb/shape.h>
#include <xcb/xfixes.h>

namespace x11 {

void letPointerThroughFrame(Connection& connection, xcb_window_t client, bool through)
{
    const xcb_window_t frame = frameWindow(connection, client);
    if (frame == XCB_WINDOW_NONE || frame == client) return;
    auto* xcb = connection.xcb();
    if (!through) {
        // No region: the frame takes input wherever it is drawn again.
        xcb_xfixes_set_window_shape_region(xcb, frame, XCB_SHAPE_SK_INPUT, 0, 0, XCB_XFIXES_REGION_NONE);
    } else {
        const xcb_xfixes_region_t empty = xcb_generate_id(xcb);
        xcb_xfixes_create_region(xcb, empty, 0, nullptr);
        xcb_xfixes_set_window_shape_region(xcb, frame, XCB_SHAPE_SK_INPUT, 0, 0, empty);
        xcb_xfixes_destroy_region(xcb, empty);
    }
    connection.flush();
}

}  // namespace x11
