#pragma once

#include <xcb/xcb.h>

namespace x11 {

// Asks the window manager to keep our window above other windows and on every workspace.
// It must be called before the window is first mapped: the manager reads the states when
// it takes the window on. Main thread only.
void keepAboveOnEveryWorkspace(xcb_window_t window);

// Asks the window manager to raise our window and give it the focus, as a pager would
// (source 2), so that it is not refused as stealing the focus. Main thread only.
void activateOwnWindow(xcb_window_t window);

}  // namespace x11
