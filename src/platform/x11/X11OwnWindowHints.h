#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <string>

namespace x11 {

enum class Workspaces { current, all };

// Asks the window manager to leave the window out of task bars and pagers, and with
// Workspaces::all to show it on every workspace. It must be called while the window is not
// mapped: the manager reads the state when it maps the window (and drops it when the
// window is withdrawn). Main thread only.
void keepOffTaskBarAndPager(xcb_window_t window, Workspaces workspaces = Workspaces::current);

// Keeps the window manager's work area, and so the displays' visible frames, clear of the
// band along the top of the root window down to bottom (root pixels), as a menu bar is;
// the window lies in that band between left and right. Main thread only.
void reserveTopBand(xcb_window_t window, std::uint32_t bottom, std::uint32_t left, std::uint32_t right);

// Writes the window's ICCCM name, WM_NAME, from its UTF-8 title: Latin-1 when the title
// fits, else compound text. Call it after each title Qt set: Qt writes WM_NAME through
// Xlib in the process's locale, which outside a UTF-8 locale garbles anything not ASCII
// ("Glimra Â· XClock"). Qt's _NET_WM_NAME is right as it is. Main thread only.
void writeIcccmName(xcb_window_t window, const std::string& title);

}  // namespace x11
