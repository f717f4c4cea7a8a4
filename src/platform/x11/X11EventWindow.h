#pragma once

#include <xcb/xcb.h>

namespace x11 {

// The window a structure or property event tells of (made, moved, mapped, unmapped,
// reparented, destroyed, a property changed); none for any other event.
xcb_window_t windowOfEvent(const xcb_generic_event_t& event);

}  // namespace x11
