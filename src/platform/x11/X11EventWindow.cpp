#include "platform/x11/X11EventWindow.h"

namespace x11 {

xcb_window_t windowOfEvent(const xcb_generic_event_t& event)
{
    switch (event.response_type & 0x7f) {
    case XCB_PROPERTY_NOTIFY: return reinterpret_cast<const xcb_property_notify_event_t&>(event).window;
    case XCB_CONFIGURE_NOTIFY: return reinterpret_cast<const xcb_configure_notify_event_t&>(event).window;
    case XCB_MAP_NOTIFY: return reinterpret_cast<const xcb_map_notify_event_t&>(event).window;
    case XCB_UNMAP_NOTIFY: return reinterpret_cast<const xcb_unmap_notify_event_t&>(event).window;
    case XCB_REPARENT_NOTIFY: return reinterpret_cast<const xcb_reparent_notify_event_t&>(event).window;
    case XCB_DESTROY_NOTIFY: return reinterpret_cast<const xcb_destroy_notify_event_t&>(event).window;
    case XCB_CREATE_NOTIFY: return reinterpret_cast<const xcb_create_notify_event_t&>(event).window;
    default: return XCB_WINDOW_NONE;
    }
}

}  // namespace x11
