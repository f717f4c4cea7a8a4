#pragma once

#include "platform/core/Geometry.h"
#include "platform/x11/X11Connection.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace x11 {

// What the desktop reads of a client window, all in one round of requests.
struct ClientFacts {
    xcb_window_t window = XCB_WINDOW_NONE;
    // As clientPid() finds it: the X server's record of the connection that made the
    // window where the server can tell, else _NET_WM_PID.
    std::optional<std::int32_t> pid;
    // Valid UTF-8 always: a title that is not is repaired (and logged once).
    std::optional<std::string> title;
    // The class part of WM_CLASS.
    std::optional<std::string> windowClass;
    // Root pixels, the window manager's decorations included.
    core::Rect pixels;
    bool viewable = false;
    // Bypasses the window manager (menus, tooltips, overlays).
    bool overrideRedirect = false;
    std::optional<std::uint32_t> desktop;  // 0xFFFFFFFF: every desktop
    std::vector<xcb_atom_t> types;
    std::vector<xcb_atom_t> states;
    // The user iconified it (X11Iconic): hidden, whether or not its window manager unmapped it.
    bool iconic = false;
    std::optional<double> opacity;
};

// One entry per window, none for a window that no longer exists.
std::vector<std::optional<ClientFacts>> readClientFacts(Connection& connection, const std::vector<xcb_window_t>& windows);

// The properties readClientFacts reads: a change of any other leaves a client's facts as
// they are.
std::vector<xcb_atom_t> clientFactsProperties(Connection& connection);

}  // namespace x11
