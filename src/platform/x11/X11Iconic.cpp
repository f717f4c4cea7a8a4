#include "platform/x11/X11Iconic.h"

#include "platform/x11/X11Reply.h"

#include <algorithm>

namespace x11 {

bool isIconic(Connection& connection, const std::vector<std::uint32_t>& wmState,
              const std::vector<std::uint32_t>& netStates)
{
    if (!wmState.empty() && wmState.front() == iconicState) return true;
    const xcb_atom_t hidden = connection.atom("_NET_WM_STATE_HIDDEN");
    return std::find(netStates.begin(), netStates.end(), hidden) != netStates.end();
}

IconicQuestion askIconic(Connection& connection, xcb_window_t client)
{
    auto* c = connection.xcb();
    // WM_STATE is its own type: state and icon window.
    return {xcb_get_property(c, 0, client, connection.atom("WM_STATE"), XCB_ATOM_ANY, 0, 2),
            xcb_get_property(c, 0, client, connection.atom("_NET_WM_STATE"), XCB_ATOM_ATOM, 0, 32)};
}

bool answerIconic(Connection& connection, const IconicQuestion& question)
{
    auto* c = connection.xcb();
    const auto wmState = reply(xcb_get_property_reply(c, question.wmState, nullptr));
    const auto netStates = reply(xcb_get_property_reply(c, question.netStates, nullptr));
    return isIconic(connection, unitsOf(wmState.get()), unitsOf(netStates.get()));
}

}  // namespace x11
