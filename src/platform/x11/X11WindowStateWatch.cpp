#include "platform/x11/X11WindowStateWatch.h"

#include "platform/x11/X11EventMask.h"
#include "platform/x11/X11EventWindow.h"

namespace x11 {

WindowStateWatch::WindowStateWatch(std::shared_ptr<Connection> connection, xcb_window_t client, xcb_window_t frame)
    : connection_(std::move(connection)), changed_(std::make_shared<std::atomic<bool>>(true))
{
    handler_ = connection_->addEventHandler([client, frame, changed = changed_](const xcb_generic_event_t& event) {
        const auto window = windowOfEvent(event);
        if (window != XCB_WINDOW_NONE && (window == client || window == frame)) changed->store(true);
    });
    // Selected after the handler is in place, so that no change falls between.
    addEventMask(*connection_, client, XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE);
    if (frame != client) addEventMask(*connection_, frame, XCB_EVENT_MASK_STRUCTURE_NOTIFY);
}

WindowStateWatch::~WindowStateWatch() { connection_->removeEventHandler(handler_); }

}  // namespace x11
