#include "platform/x11/X11Compositor.h"

#include "platform/x11/X11QtConnection.h"
#include "platform/x11/X11Reply.h"

#include <xcb/xcbext.h>

#include <cstdlib>
#include <optional>
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
    // Asked anew at each call and answered from the last answer that came: a compositing
    // manager comes and goes rarely, and a busy server must not stall every showing of a
    // mini window. Only the first call waits.
    static std::optional<bool> known;
    static std::optional<unsigned> asked;
    const xcb_atom_t selection = qtAtom("_NET_WM_CM_S" + std::to_string(qtScreenNumber()));
    if (asked) {
        void* answer = nullptr;
        xcb_generic_error_t* error = nullptr;
        if (xcb_poll_for_reply(xcb, *asked, &answer, &error)) {
            const auto owner = reply(static_cast<xcb_get_selection_owner_reply_t*>(answer));
            std::free(error);
            if (owner) known = owner->owner != XCB_WINDOW_NONE;
            asked.reset();
        }
    }
    if (!known) known = ownsSelection(xcb, selection);
    if (!asked) {
        asked = xcb_get_selection_owner(xcb, selection).sequence;
        xcb_flush(xcb);
    }
    return *known;
}

}  // namespace x11
