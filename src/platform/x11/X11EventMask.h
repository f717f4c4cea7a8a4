#pragma once

#include "platform/x11/X11Connection.h"

#include <cstdint>
#include <vector>

namespace x11 {

// Adds to the events this connection hears from the window: event masks are one per
// connection and window, so a service that replaced it would silence the others.
void addEventMask(Connection& connection, xcb_window_t window, std::uint32_t mask);
// The same for many windows in one round trip; windows that no longer exist are passed over.
void addEventMasks(Connection& connection, const std::vector<xcb_window_t>& windows, std::uint32_t mask);

}  // namespace x11
