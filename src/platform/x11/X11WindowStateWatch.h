#pragma once

#include "platform/x11/X11Connection.h"

#include <atomic>
#include <memory>

namespace x11 {

// Whether a client or its window manager frame may have been moved, resized, mapped,
// unmapped, destroyed, reparented or had its properties changed since it was last asked,
// from the server's events: an unchanged window is not asked about again. It counts as
// changed when it starts.
class WindowStateWatch {
public:
    WindowStateWatch(std::shared_ptr<Connection> connection, xcb_window_t client, xcb_window_t frame);
    ~WindowStateWatch();
    WindowStateWatch(const WindowStateWatch&) = delete;
    WindowStateWatch& operator=(const WindowStateWatch&) = delete;

    // Answers whether it may have changed and starts watching for the next change.
    bool takeChange() { return changed_->exchange(false); }

private:
    const std::shared_ptr<Connection> connection_;
    // Set on the event thread.
    const std::shared_ptr<std::atomic<bool>> changed_;
    Connection::HandlerToken handler_ = 0;
};

}  // namespace x11
