#include "platform/x11/X11EventMask.h"
#include "platform/x11/X11Reply.h"

#include <cstdlib>
#include <memory>
#include <mutex>

namespace x11 {

void addEventMask(Connection& connection, xcb_window_t window, std::uint32_t mask)
{
    addEventMasks(connection, {window}, mask);
}

void addEventMasks(Connection& connection, const std::vector<xcb_window_t>& windows, std::uint32_t mask)
{
    // Reading and writing the mask is one step for the services of this process.
    static std::mutex mutex;
    std::lock_guard lock(mutex);
    auto* c = connection.xcb();
    std::vector<xcb_get_window_attributes_cookie_t> cookies;
    cookies.reserve(windows.size());
    for (const auto window : windows) cookies.push_back(xcb_get_window_attributes(c, window));
    for (std::size_t i = 0; i < windows.size(); ++i) {
        const auto attributes = connection.answer(xcb_get_window_attributes_reply, cookies[i]);
        if (!attributes) continue;
        const std::uint32_t combined = attributes->your_event_mask | mask;
        if (combined != attributes->your_event_mask)
            xcb_change_window_attributes(c, windows[i], XCB_CW_EVENT_MASK, &combined);
    }
    connection.flush();
}

}  // namespace x11
