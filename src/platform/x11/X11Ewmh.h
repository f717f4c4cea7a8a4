#pragma once

#include "platform/core/Geometry.h"
#include "platform/x11/X11Connection.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace x11 {

// The most clients a listing takes: any client may write the root's client list, and
// desktops hold a few hundred windows at most.
constexpr std::size_t maxListedClients = 4096;
// The most ids of the root's client list the client cache reads, 1 MiB of them: the
// clients it lists are taken from the front of what is left once ids of no client are
// dropped, so that made-up ids in front push no real client out.
constexpr std::size_t maxReadClientIds = 262144;

// What the desktop reads from the window manager's root properties (EWMH) and what it asks
// of the window manager: every such request is a client message to the root, sent as a
// pager (source 2) would, so the window manager obeys it whoever has the focus.
namespace ewmh {

// The window manager's clients in stacking order, bottom to top, as it lists them: the
// topmost maxListedClients of a longer list. None without a window manager.
std::optional<std::vector<std::uint32_t>> stackingList(Connection& connection);

// The managed clients, oldest first; minimised ones included. Empty without a window manager.
std::vector<xcb_window_t> clientList(Connection& connection);

// The window the window manager names active; where it names none (xmonad publishes no
// active window), the client holding the input focus; none without either.
xcb_window_t activeOrFocusedClient(Connection& connection);

// The work area of the current desktop in root pixels; none when the window manager
// publishes none.
std::optional<core::Rect> workArea(Connection& connection);

// The root's stacking list (its topmost maxReadClientIds), current desktop and active
// window read in one round trip.
struct RootState {
    std::optional<std::vector<std::uint32_t>> stacking;
    std::optional<std::uint32_t> currentDesktop;
    xcb_window_t activeWindow = XCB_WINDOW_NONE;
};
RootState rootState(Connection& connection);

// Focuses the window, raising it and restoring it when iconified.
void activate(Connection& connection, xcb_window_t window);
// Restacks the window relative to the sibling (none: its whole layer).
void restack(Connection& connection, xcb_window_t window, xcb_window_t sibling, std::uint32_t stackMode);
// Moves the frame's top-left to the point and sizes the client. Both are always given:
// fluxbox takes a move alone as a resize to the frame's height.
void moveFrameResizeClient(Connection& connection, xcb_window_t window, std::int32_t x, std::int32_t y,
                           std::uint32_t width, std::uint32_t height);
// The desktop the user sees; none when the window manager names none.
std::optional<std::uint32_t> currentDesktop(Connection& connection);
// Of a client's _NET_WM_STATE, the states in which the window manager places and sizes the
// frame itself: maximised either way, full screen.
std::vector<xcb_atom_t> placingStates(Connection& connection, const std::vector<xcb_atom_t>& states);
// Adds or removes the states of the window.
void setStates(Connection& connection, xcb_window_t window, const std::vector<xcb_atom_t>& states, bool add);
// Keeps the window above normal windows, or no longer.
void setAbove(Connection& connection, xcb_window_t window, bool above);
void close(Connection& connection, xcb_window_t window);
// Iconifies the window (ICCCM's WM_CHANGE_STATE, which EWMH window managers take too).
void iconify(Connection& connection, xcb_window_t window);

}  // namespace ewmh
}  // namespace x11
