#include "platform/x11/X11OwnWindowHints.h"

#include "platform/x11/X11QtConnection.h"
#include "platform/x11/X11Reply.h"
#include "platform/x11/X11Text.h"

#include <algorithm>
#include <vector>

namespace x11 {

void keepOffTaskBarAndPager(xcb_window_t window)
{
    auto* connection = qtConnection();
    if (!connection || window == XCB_WINDOW_NONE) return;
    const xcb_atom_t stateAtom = qtAtom("_NET_WM_STATE");
    // Qt merges its own states (above, modal...) into what it finds, so keep the others.
    std::vector<xcb_atom_t> states;
    const auto current = reply(xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, stateAtom, XCB_ATOM_ATOM, 0, 64), nullptr));
    if (current && current->format == 32) {
        const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(current.get()));
        states.assign(atoms, atoms + xcb_get_property_value_length(current.get()) / 4);
    }
    for (const char* name : {"_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"}) {
        const xcb_atom_t atom = qtAtom(name);
        if (std::find(states.begin(), states.end(), atom) == states.end()) states.push_back(atom);
    }
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, stateAtom, XCB_ATOM_ATOM, 32,
                        static_cast<std::uint32_t>(states.size()), states.data());
    xcb_flush(connection);
}

void reserveTopBand(xcb_window_t window, std::uint32_t bottom, std::uint32_t left, std::uint32_t right)
{
    auto* connection = qtConnection();
    if (!connection || window == XCB_WINDOW_NONE) return;
    // left, right, top, bottom, then the start and end of each edge's band.
    const std::uint32_t partial[12] = {0, 0, bottom, 0, 0, 0, 0, 0, left, right, 0, 0};
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, qtAtom("_NET_WM_STRUT_PARTIAL"), XCB_ATOM_CARDINAL,
                        32, 12, partial);
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, qtAtom("_NET_WM_STRUT"), XCB_ATOM_CARDINAL, 32, 4,
                        partial);
    xcb_flush(connection);
}

void writeIcccmName(xcb_window_t window, const std::string& title)
{
    auto* connection = qtConnection();
    if (!connection || window == XCB_WINDOW_NONE) return;
    const IcccmText name = icccmText(title);
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME,
                        name.compound ? qtAtom("COMPOUND_TEXT") : xcb_atom_t{XCB_ATOM_STRING}, 8,
                        static_cast<std::uint32_t>(name.bytes.size()), name.bytes.data());
    xcb_flush(connection);
}

}  // namespace x11
