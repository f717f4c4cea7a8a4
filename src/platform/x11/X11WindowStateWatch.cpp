#include "platform/x11/X11WindowStateWatch.h"

#include "platform/x11/X11EventMask.h"

namespace x11 {

namespace {

// The window an event tells about, if it tells about a window's state.
xcb_window_t windowOf(const xcb_generic_event_t& event)
{
    switch (event.response_type & 0x7f) {
    case XCB_CONFIGURE_NOTIFY: return reinterpret_cast<const xcb_configure_notify_event_t&>(event).window;
    case XCB_MAP_NOTIFY: return reinterpret_cast<const xcb_map_notify_event_t&>(event).window;
    case XCB_UNMAP_NOTIFY: return reinterpret_cast<const xcb_unmap_notify_event_t&>(event).window;
    case XCB_DESTROY_NOTIFY: return reinterpret_cast<const xcb_destroy_notify_event_t&>(event).window;
    case XCB_REPARENT_NOTIFY: return reinterpret_cast<const xcb_reparent_notify_event_t&>(event).window;
    case XCB_PROPERTY_NOTIFY: return reinterpret_cast<const xcb_property_notify_event_t&>(event).window;
    default: return XCB_WINDOW_NONE;
    }
}

}  // namespace

WindowStateWatch::WindowStateWatch(std::shared_ptr<Connection> connection, xcb_window_t client, xcb_window_t frame)
    : connection_(std::move(connection)), changed_(std::make_shared<std::atomic<bool>>(true))
{
    handler_ = connection_->addEventHandler([client, frame, changed = changed_](const xcb_generic_event_t& event) {
        const auto window = windowOf(event);
        if (window != XCB_WINDOW_NONE && (window == client || window == frame)) changed->store(true);
    });
    // Selected after the handler is in place, so that no change falls between.
    addEventMask(*connection_, client, XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE);
    if (frame != client) addEventMask(*connection_, frame, XCB_EVENT_MASK_STRUCTURE_NOTIFY);
}

WindowStateWatch::~WindowStateWatch() { connection_->removeEventHandler(handler_); }

}  // namespace x11
