#pragma once

#include "platform/desktop/Types.h"
#include "platform/x11/X11BatchedRead.h"
#include "platform/x11/X11Connection.h"

#include <functional>
#include <map>
#include <memory>
#include <mutex>

namespace x11 {

// The client in front: the window the window manager names active, or the client that
// holds the input focus where it names none. Read once per batch of the notices that may
// change it, for every service that follows it.
class ActiveClient {
public:
    // Reads it once before it returns.
    explicit ActiveClient(std::shared_ptr<Connection> connection);
    ~ActiveClient();
    ActiveClient(const ActiveClient&) = delete;
    ActiveClient& operator=(const ActiveClient&) = delete;

    // As last read; none when no client is in front.
    xcb_window_t current() const;
    // Each read tells every listener what it found, changed or not, on the read's queue.
    // A listener must hold what it touches itself (it may run while its owner goes).
    desktop::Token addListener(std::function<void(xcb_window_t)> listener);
    void removeListener(desktop::Token token);
    // A read now, unless one waits to begin: the focus moving between two clients tells
    // the root nothing.
    void readSoon() { reads_->readSoon(); }

private:
    struct State {
        mutable std::mutex mutex;
        xcb_window_t window = XCB_WINDOW_NONE;
        std::map<desktop::Token, std::function<void(xcb_window_t)>> listeners;
        desktop::Token nextToken = 1;
    };
    static void read(Connection& connection, State& state);

    const std::shared_ptr<Connection> connection_;
    const std::shared_ptr<State> state_;
    std::unique_ptr<BatchedRead> reads_;
    Connection::HandlerToken handler_ = 0;
};

}  // namespace x11
