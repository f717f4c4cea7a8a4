#include "platform/x11/X11WindowLifetimes.h"

#include <algorithm>

namespace x11 {

WindowLifetimes::WindowLifetimes(std::shared_ptr<Connection> connection) : connection_(std::move(connection))
{
    handler_ = connection_->addEventHandler([this](const xcb_generic_event_t& event) { onEvent(event); });
}

WindowLifetimes::~WindowLifetimes() { connection_->removeEventHandler(handler_); }

bool WindowLifetimes::destroyed(xcb_window_t window)
{
    {
        std::lock_guard lock(mutex_);
        readAnswers();
        if (const auto known = lives_.find(window); known != lives_.end() && known->second.ended) return true;
        if (asked_.count(window)) return false;
        asked_.emplace(window, LaterReply(connection_->xcb()))
            .first->second.sent(xcb_get_window_attributes(connection_->xcb(), window).sequence);
    }
    // Written outside the lock, which the event thread takes: a server that reads nothing
    // holds the write.
    connection_->flush();
    return false;
}

std::uint64_t WindowLifetimes::life(xcb_window_t window)
{
    std::lock_guard lock(mutex_);
    const auto known = lives_.find(window);
    return known == lives_.end() ? 0 : known->second.number;
}

std::size_t WindowLifetimes::kept()
{
    std::lock_guard lock(mutex_);
    readAnswers();
    return asked_.size() + lives_.size();
}

void WindowLifetimes::readAnswers()
{
    for (auto it = asked_.begin(); it != asked_.end();) {
        const auto answer = it->second.take();
        if (!answer) {
            ++it;
            continue;
        }
        const auto window = it->first;
        it = asked_.erase(it);
        const auto* error = answer->error.get();
        if (error && error->error_code == XCB_WINDOW && error->resource_id == window) noteDestroyed(window);
    }
}

void WindowLifetimes::noteDestroyed(xcb_window_t window)
{
    auto& life = lives_[window];
    if (life.ended) return;
    life.ended = true;
    destroyedOrder_.push_back(window);
    if (destroyedOrder_.size() <= destroyedKept) return;
    lives_.erase(destroyedOrder_.front());
    destroyedOrder_.pop_front();
}

void WindowLifetimes::noteCreated(xcb_window_t window)
{
    const auto known = lives_.find(window);
    // Made before any end of its id was heard: the life it had when first asked about.
    if (known == lives_.end()) return;
    if (known->second.ended)
        destroyedOrder_.erase(std::find(destroyedOrder_.begin(), destroyedOrder_.end(), window));
    known->second = {++livesGiven_, false};
}

void WindowLifetimes::onEvent(const xcb_generic_event_t& event)
{
    const auto type = event.response_type & 0x7f;
    if (type != XCB_DESTROY_NOTIFY && type != XCB_CREATE_NOTIFY) return;
    const auto window = type == XCB_DESTROY_NOTIFY ? reinterpret_cast<const xcb_destroy_notify_event_t&>(event).window
                                                   : reinterpret_cast<const xcb_create_notify_event_t&>(event).window;
    std::lock_guard lock(mutex_);
    // A question still on its way tells no more.
    asked_.erase(window);
    if (type == XCB_DESTROY_NOTIFY)
        noteDestroyed(window);
    else
        noteCreated(window);
}

}  // namespace x11
