#pragma once

#include <xcb/xcb.h>

namespace x11 {

// Asks the window manager to leave the window out of task bars and pagers. It must be
// called while the window is not mapped: the manager reads the state when it maps the
// window (and drops it when the window is withdrawn). Main thread only.
void keepOffTaskBarAndPager(xcb_window_t window);

}  // namespace x11
