#include "platform/x11/X11EventMask.h"
#include "platform/x11/X11Reply.h"

#include <cstdlib>
#include <memory>
#include <mutex>

namespace x11 {

void addEventMask(Connection& connection, xcb_window_t window, std::uint32_t mask)
{
    // Reading and writing the mask is one step for the services of this process.
    static std::mutex mutex;
    std::lock_guard lock(mutex);
    auto* c = connection.xcb();
    const auto attributes = reply(xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr));
    if (!attributes) return;
    const std::uint32_t combined = attributes->your_event_mask | mask;
    if (combined != attributes->your_event_mask) xcb_change_window_attributes(c, window, XCB_CW_EVENT_MASK, &combined);
    connection.flush();
}

}  // namespace x11
