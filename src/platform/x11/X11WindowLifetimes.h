#pragma once

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11LaterReply.h"

#include <cstddef>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_set>

namespace x11 {

// Whether the windows asked about were destroyed, as the server told: a DestroyNotify the
// event thread heard, or BadWindow to a question about the window. Each ask sends the next
// question and reads the one before only if its answer is in, so asking never waits on
// the server, and no window's end goes unheard for want of a watch on it. Over a long
// session of short-lived windows what is kept stays small: the questions in flight, and
// the last windows heard destroyed.
class WindowLifetimes {
public:
    explicit WindowLifetimes(std::shared_ptr<Connection> connection);
    ~WindowLifetimes();
    WindowLifetimes(const WindowLifetimes&) = delete;
    WindowLifetimes& operator=(const WindowLifetimes&) = delete;

    // Until the server said so, a window counts as alive. Any thread.
    bool destroyed(xcb_window_t window);

    // How many windows are kept (questions in flight and windows heard destroyed).
    std::size_t kept();
    // The windows heard destroyed that are kept: far more than are destroyed between two
    // asks about one window.
    static constexpr std::size_t destroyedKept = 1024;

private:
    // Reads every answer that came; a window found alive is asked anew at its next ask.
    void readAnswers();
    void noteDestroyed(xcb_window_t window);
    void onEvent(const xcb_generic_event_t& event);

    const std::shared_ptr<Connection> connection_;
    Connection::HandlerToken handler_ = 0;
    std::mutex mutex_;
    std::map<xcb_window_t, LaterReply> asked_;
    std::unordered_set<xcb_window_t> destroyed_;
    // destroyed_ oldest first.
    std::deque<xcb_window_t> destroyedOrder_;
};

}  // namespace x11
