#pragma once

#include "platform/desktop/WindowServer.h"
#include "platform/x11/X11Connection.h"

#include "support/X11Client.h"
#include "x11/X11ServiceFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace x11test {

using testsupport::openTestDisplay;

inline std::optional<desktop::WindowInfo> entryOf(const std::vector<desktop::WindowInfo>& list, unsigned long window)
{
    const auto found = std::find_if(list.begin(), list.end(), [&](const auto& info) { return info.number == window; });
    if (found == list.end()) return std::nullopt;
    return *found;
}

// The position of the window in the list, or -1.
inline long indexOf(const std::vector<desktop::WindowInfo>& list, unsigned long window)
{
    const auto found = std::find_if(list.begin(), list.end(), [&](const auto& info) { return info.number == window; });
    return found == list.end() ? -1 : static_cast<long>(found - list.begin());
}

inline void activate(unsigned long window)
{
    testsupport::runTool({"xdotool", "windowactivate", "--sync", std::to_string(window)});
}

// A bare client window of the test's own connection, mapped and managed.
class OwnClientWindow {
public:
    // beforeMap sets what the window manager should read when it takes the window.
    OwnClientWindow(x11::Connection& connection, int width, int height,
                    const std::function<void(xcb_window_t)>& beforeMap = {})
        : connection_(connection)
    {
        window_ = xcb_generate_id(connection.xcb());
        xcb_create_window(connection.xcb(), XCB_COPY_FROM_PARENT, window_, connection.root(), 100, 100, width, height,
                          0, XCB_WINDOW_CLASS_INPUT_OUTPUT, connection.screen()->root_visual, 0, nullptr);
        if (beforeMap) beforeMap(window_);
        xcb_map_window(connection.xcb(), window_);
        connection.flush();
    }
    ~OwnClientWindow() { destroy(); }
    OwnClientWindow(const OwnClientWindow&) = delete;
    OwnClientWindow& operator=(const OwnClientWindow&) = delete;

    xcb_window_t id() const { return window_; }
    void destroy()
    {
        if (window_ == XCB_WINDOW_NONE) return;
        xcb_destroy_window(connection_.xcb(), window_);
        connection_.flush();
        window_ = XCB_WINDOW_NONE;
    }

private:
    x11::Connection& connection_;
    xcb_window_t window_ = XCB_WINDOW_NONE;
};

}  // namespace x11test
