#include "platform/x11/X11Compositor.h"

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

}  // namespace

bool hasCompositingManager(Connection& connection)
{
    auto* xcb = connection.xcb();
    const auto selection = connection.atom("_NET_WM_CM_S" + std::to_string(screenNumber(connection)));
    const auto owner = reply(xcb_get_selection_owner_reply(xcb, xcb_get_selection_owner(xcb, selection), nullptr));
    return owner && owner->owner != XCB_WINDOW_NONE;
}

}  // namespace x11
