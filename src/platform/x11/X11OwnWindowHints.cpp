#include "platform/x11/X11OwnWindowHints.h"

#include "platform/x11/X11QtConnection.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

namespace x11 {

void keepOffTaskBarAndPager(xcb_window_t window)
{
    auto* connection = qtConnection();
    if (!connection || window == XCB_WINDOW_NONE) return;
    const xcb_atom_t stateAtom = qtAtom("_NET_WM_STATE");
    // Qt merges its own states (above, modal...) into what it finds, so keep the others.
    std::vector<xcb_atom_t> states;
    const std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(connection, xcb_get_property(connection, 0, window, stateAtom, XCB_ATOM_ATOM, 0, 64),
                               nullptr),
        &std::free);
    if (reply && reply->format == 32) {
        const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
        states.assign(atoms, atoms + xcb_get_property_value_length(reply.get()) / 4);
    }
    for (const char* name : {"_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"}) {
        const xcb_atom_t atom = qtAtom(name);
        if (std::find(states.begin(), states.end(), atom) == states.end()) states.push_back(atom);
    }
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, stateAtom, XCB_ATOM_ATOM, 32,
                        static_cast<std::uint32_t>(states.size()), states.data());
    xcb_flush(connection);
}

}  // namespace x11
