#include "platform/x11/X11BatchedRead.h"

namespace x11 {

BatchedRead::BatchedRead(std::shared_ptr<Connection> connection, dispatch::Queue queue, std::function<void()> read)
    : connection_(std::move(connection)), state_(std::make_shared<State>(std::move(read), std::move(queue)))
{
    handler_ = connection_->addBatchEndHandler([weak = std::weak_ptr<State>(state_)] {
        if (const auto state = weak.lock()) post(state);
    });
}

BatchedRead::~BatchedRead() { connection_->removeEventHandler(handler_); }

void BatchedRead::readSoon()
{
    notice();
    post(state_);
}

void BatchedRead::post(const std::shared_ptr<State>& state)
{
    // Noticed stays set while a read waits: that read, not begun yet, takes the change.
    if (!state->noticed || state->pending.exchange(true)) return;
    state->noticed = false;
    state->queue.async([weak = std::weak_ptr<State>(state)] {
        const auto state = weak.lock();
        if (!state) return;
        state->pending = false;
        state->read();
    });
}

}  // namespace x11
