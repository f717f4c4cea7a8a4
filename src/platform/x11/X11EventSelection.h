#pragma once

#include "platform/x11/X11Connection.h"

namespace x11 {

// Adds events to what this connection selects on a window; the services share the
// connection, so one never drops what another selected.
void selectEvents(Connection& connection, xcb_window_t window, std::uint32_t eventMask);

}  // namespace x11
