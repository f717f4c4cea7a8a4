#pragma once

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11LaterReply.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace x11 {

// Whether the windows asked about were destroyed, as the server told: a DestroyNotify the
// event thread heard, or BadWindow to a question about the window. Each ask sends the next
// question and reads the one before only if its answer is in, so asking never waits on
// the server, and no window's end goes unheard for want of a watch on it. The server hands
// a destroyed window's id to the next window made with it (a new client often gets the
// ids of one that left): that window is another life of the id, and the one that ended
// stays destroyed. Over a long session of short-lived windows what is kept stays small:
// the questions in flight, the last windows heard destroyed, and the ids made again after
// one of those until they end too.
class WindowLifetimes {
public:
    explicit WindowLifetimes(std::shared_ptr<Connection> connection);
    ~WindowLifetimes();
    WindowLifetimes(const WindowLifetimes&) = delete;
    WindowLifetimes& operator=(const WindowLifetimes&) = delete;

    // Until the server said so, a window counts as alive. Any thread.
    bool destroyed(xcb_window_t window);
    // Which life of the id its window is: 0 until the id is made again after a window of
    // it ended, then a number no earlier life had. Any thread, never waiting.
    std::uint64_t life(xcb_window_t window);

    // How many windows are kept (questions in flight, windows heard destroyed and ids made
    // again).
    std::size_t kept();
    // The windows heard destroyed that are kept: far more than are destroyed between two
    // asks about one window.
    static constexpr std::size_t destroyedKept = 1024;

private:
    // Reads every answer that came; a window found alive is asked anew at its next ask.
    void readAnswers();
    void noteDestroyed(xcb_window_t window);
    void noteCreated(xcb_window_t window);
    void onEvent(const xcb_generic_event_t& event);

    struct Life {
        std::uint64_t number = 0;
        bool ended = false;
    };

    const std::shared_ptr<Connection> connection_;
    Connection::HandlerToken handler_ = 0;
    std::mutex mutex_;
    std::map<xcb_window_t, LaterReply> asked_;
    // The ids heard destroyed, and those made again after, kept while their window lives.
    std::unordered_map<xcb_window_t, Life> lives_;
    std::uint64_t livesGiven_ = 0;
    // The ids of lives_ that ended, oldest first.
    std::deque<xcb_window_t> destroyedOrder_;
};

}  // namespace x11
