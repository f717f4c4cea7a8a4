#include "platform/x11/X11Compositor.h"

#include "platform/x11/X11QtConnection.h"
#include "platform/x11/X11Reply.h"

#include <string>

namespace x11 {
namespace {

int screenNumber(Connection& connection)
{
    int number = 0;
    for (auto it = xcb_setup_roots_iterator(xcb_get_setup(connection.xcb())); it.rem; xcb_screen_next(&it), ++number)
        if (it.data->root == connection.root()) return number;
    return 0;
}

bool ownsSelection(xcb_connection_t* xcb, xcb_atom_t selection)
{
    const auto owner = reply(xcb_get_selection_owner_reply(xcb, xcb_get_selection_owner(xcb, selection), nullptr));
    return owner && owner->owner != XCB_WINDOW_NONE;
}

}  // namespace

bool hasCompositingManager(Connection& connection)
{
    return ownsSelection(connection.xcb(), connection.atom("_NET_WM_CM_S" + std::to_string(screenNumber(connection))));
}

bool ownWindowsShowThrough()
{
    auto* xcb = qtConnection();
    if (!xcb) return true;
    return ownsSelection(xcb, qtAtom("_NET_WM_CM_S" + std::to_string(qtScreenNumber())));
}

}  // namespace x11
