#include "platform/x11/X11EventSelection.h"

#include <cstdlib>
#include <memory>

namespace x11 {

void selectEvents(Connection& connection, xcb_window_t window, std::uint32_t eventMask)
{
    auto* c = connection.xcb();
    xcb_generic_error_t* error = nullptr;
    const std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&std::free)> attributes(
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), &error), &std::free);
    std::free(error);
    if (!attributes) return;  // the window is gone
    const std::uint32_t mask = attributes->your_event_mask | eventMask;
    xcb_change_window_attributes(c, window, XCB_CW_EVENT_MASK, &mask);
    connection.flush();
}

}  // namespace x11
