#include "platform/x11/X11WindowLifetimes.h"

#include <xcb/xcbext.h>

#include <cstdlib>

namespace x11 {

WindowLifetimes::WindowLifetimes(std::shared_ptr<Connection> connection) : connection_(std::move(connection))
{
    handler_ = connection_->addEventHandler([this](const xcb_generic_event_t& event) { onEvent(event); });
}

WindowLifetimes::~WindowLifetimes()
{
    connection_->removeEventHandler(handler_);
    for (const auto& [window, known] : known_)
        if (known.question) xcb_discard_reply(connection_->xcb(), *known.question);
}

bool WindowLifetimes::destroyed(xcb_window_t window)
{
    std::lock_guard lock(mutex_);
    auto& known = known_[window];
    if (known.question) readAnswer(window, known);
    if (known.destroyed || known.question) return known.destroyed;
    known.question = xcb_get_window_attributes(connection_->xcb(), window).sequence;
    connection_->flush();
    return false;
}

void WindowLifetimes::readAnswer(xcb_window_t window, Known& known)
{
    void* reply = nullptr;
    xcb_generic_error_t* error = nullptr;
    if (!xcb_poll_for_reply(connection_->xcb(), *known.question, &reply, &error)) return;
    known.question.reset();
    if (error && error->error_code == XCB_WINDOW && error->resource_id == window) known.destroyed = true;
    std::free(reply);
    std::free(error);
}

void WindowLifetimes::onEvent(const xcb_generic_event_t& event)
{
    const auto type = event.response_type & 0x7f;
    if (type != XCB_DESTROY_NOTIFY && type != XCB_CREATE_NOTIFY) return;
    const auto window = type == XCB_DESTROY_NOTIFY ? reinterpret_cast<const xcb_destroy_notify_event_t&>(event).window
                                                   : reinterpret_cast<const xcb_create_notify_event_t&>(event).window;
    std::lock_guard lock(mutex_);
    // The server may hand a destroyed window's id to a new window.
    if (const auto known = known_.find(window); known != known_.end())
        known->second.destroyed = type == XCB_DESTROY_NOTIFY;
}

}  // namespace x11
