#pragma once

#include "platform/x11/X11Connection.h"

#include <map>
#include <memory>
#include <mutex>
#include <optional>

namespace x11 {

// Whether the windows asked about were destroyed, as the server told: a DestroyNotify the
// event thread heard, or BadWindow to a question about the window. Each ask sends the next
// question and reads the one before only if its answer is in, so asking never waits on
// the server, and no window's end goes unheard for want of a watch on it.
class WindowLifetimes {
public:
    explicit WindowLifetimes(std::shared_ptr<Connection> connection);
    ~WindowLifetimes();
    WindowLifetimes(const WindowLifetimes&) = delete;
    WindowLifetimes& operator=(const WindowLifetimes&) = delete;

    // Until the server said so, a window counts as alive. Any thread.
    bool destroyed(xcb_window_t window);

private:
    struct Known {
        bool destroyed = false;
        // The sequence number of the question not read yet.
        std::optional<unsigned int> question;
    };
    void readAnswer(xcb_window_t window, Known& known);
    void onEvent(const xcb_generic_event_t& event);

    const std::shared_ptr<Connection> connection_;
    Connection::HandlerToken handler_ = 0;
    std::mutex mutex_;
    std::map<xcb_window_t, Known> known_;
};

}  // namespace x11
