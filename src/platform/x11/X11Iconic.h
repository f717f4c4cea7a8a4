#pragma once

#include "platform/x11/X11Connection.h"

#include <cstdint>
#include <vector>

namespace x11 {

// WM_STATE's value for a client the user iconified (ICCCM), also what WM_CHANGE_STATE asks for.
inline constexpr std::uint32_t iconicState = 3;

// Whether the user iconified a client, from its WM_STATE (ICCCM) and _NET_WM_STATE
// (EWMH): window managers set one or both, and some keep an iconified window mapped.
bool isIconic(Connection& connection, const std::vector<std::uint32_t>& wmState,
              const std::vector<std::uint32_t>& netStates);

// The two properties asked for together, answered later: one round trip with other requests.
struct IconicQuestion {
    xcb_get_property_cookie_t wmState;
    xcb_get_property_cookie_t netStates;
};
IconicQuestion askIconic(Connection& connection, xcb_window_t client);
bool answerIconic(Connection& connection, const IconicQuestion& question);

inline bool isIconic(Connection& connection, xcb_window_t client)
{
    return answerIconic(connection, askIconic(connection, client));
}

}  // namespace x11
