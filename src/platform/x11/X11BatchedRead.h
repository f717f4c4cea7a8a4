#pragma once

#include "platform/dispatch/Queue.h"
#include "platform/x11/X11Connection.h"

#include <atomic>
#include <functional>
#include <memory>

namespace x11 {

// A read of something the server only announces as changed (a root property, the monitors,
// the focus), made once for a batch of the event thread's notices however many came, on a
// queue of the owner's: a client may rewrite what it follows as fast as the server takes it.
// A read that is queued or running when a notice comes is followed by one more.
class BatchedRead {
public:
    // The read must hold what it touches itself (it may run while this is being destroyed).
    BatchedRead(std::shared_ptr<Connection> connection, dispatch::Queue queue, std::function<void()> read);
    ~BatchedRead();
    BatchedRead(const BatchedRead&) = delete;
    BatchedRead& operator=(const BatchedRead&) = delete;

    // On the event thread: what the read reads may have changed.
    void notice() { state_->noticed = true; }
    // From any thread: a read now, unless one waits to begin.
    void readSoon();

private:
    struct State {
        std::function<void()> read;
        dispatch::Queue queue;
        std::atomic<bool> noticed{false};
        std::atomic<bool> pending{false};
    };
    static void post(const std::shared_ptr<State>& state);
    const std::shared_ptr<Connection> connection_;
    const std::shared_ptr<State> state_;
    Connection::HandlerToken handler_ = 0;
};

}  // namespace x11
