#pragma once

#include "platform/desktop/Types.h"
#include "platform/x11/X11Connection.h"

#include <xcb/res.h>

#include <cstdint>
#include <optional>
#include <vector>

namespace x11 {

// The pid of the process that owns a client window: what the X-Resource extension knows
// of the connection that made it, where the server has that extension; else the window's
// _NET_WM_PID. The property is only the client's word: a window claiming another
// client's pid would pass for that application's. None when the window is gone, or, with
// the extension, when the client is remote.
std::optional<desktop::Pid> clientPid(Connection& connection, xcb_window_t window);

// The pid a _NET_WM_PID value declares. Any client can write it, so a claim of this
// process's pid counts for nothing: our windows are the ones the server says we made.
std::optional<desktop::Pid> declaredPid(const std::vector<std::uint32_t>& units);

// The X server's record of the process behind the connection that made a window, from
// a client-id query asked for its local pid (asked early so that many share one trip).
xcb_res_query_client_ids_cookie_t askServerPid(Connection& connection, xcb_window_t window);
std::optional<desktop::Pid> serverPid(Connection& connection, xcb_res_query_client_ids_cookie_t cookie);

}  // namespace x11
