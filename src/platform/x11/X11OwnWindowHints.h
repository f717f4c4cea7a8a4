#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <string>

namespace x11 {

// Types the window as a panel's own (a dock) that floats over the user's work on every
// workspace, out of task bars, pagers and window switchers. A window manager hides a
// utility window with its inactive application and keeps a transient one on its leader's
// workspace; a dock it leaves where it asks and never focuses. It must be called while
// the window is not mapped: the manager reads the type and the state when it maps the
// window (and drops the state when the window is withdrawn). Main thread only.
void floatOnEveryWorkspace(xcb_window_t window);

// Whether the window manager places a window it maps anew where its own rules say, whatever
// the window's position, type, decoration and size hints ask: awesome away from other
// windows by its rules, i3 a floating window as far below its place as its title bar is
// high (and only then drops the bar). A panel then bypasses it. Main thread only.
bool windowManagerPlacesMappedWindows();

// Keeps the window manager's work area, and so the displays' visible frames, clear of the
// band along the top of the root window down to bottom between left and right (root
// pixels), as a menu bar is; the window lies in that band. Main thread only.
void reserveTopBand(xcb_window_t window, std::uint32_t bottom, std::uint32_t left, std::uint32_t right);

// Writes the window's ICCCM name, WM_NAME, from its UTF-8 title: Latin-1 when the title
// fits, else compound text. Call it after each title Qt set: Qt writes WM_NAME through
// Xlib in the process's locale, which outside a UTF-8 locale garbles anything not ASCII
// ("Glimra Â· XClock"). Qt's _NET_WM_NAME is right as it is. Main thread only.
void writeIcccmName(xcb_window_t window, const std::string& title);

}  // namespace x11
