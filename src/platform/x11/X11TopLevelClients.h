#pragma once

#include "platform/x11/X11Connection.h"

#include <map>
#include <memory>
#include <mutex>

namespace x11 {

// The client each top-level window (a window manager's frame) shows, as clientWindow()
// finds it, kept until the top-level window leaves the root: finding it walks the frame's
// many children, a round trip each, and a click must not wait for that every time.
class TopLevelClients {
public:
    explicit TopLevelClients(std::shared_ptr<Connection> connection);
    ~TopLevelClients();
    TopLevelClients(const TopLevelClients&) = delete;
    TopLevelClients& operator=(const TopLevelClients&) = delete;

    xcb_window_t clientOf(xcb_window_t topLevel);

private:
    bool bypassesWindowManager(xcb_window_t window);
    void onEvent(const xcb_generic_event_t& event);

    const std::shared_ptr<Connection> connection_;
    Connection::HandlerToken handler_ = 0;
    std::mutex mutex_;
    std::map<xcb_window_t, xcb_window_t> clients_;
};

}  // namespace x11
