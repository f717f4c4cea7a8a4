#include "platform/x11/X11ForegroundWindow.h"

#include "platform/x11/X11QtConnection.h"
#include "platform/x11/X11Reply.h"

#include <cstdint>

namespace x11 {
namespace {

constexpr std::uint32_t everyWorkspace = 0xffffffff;
constexpr std::uint32_t sourcePager = 2;

xcb_window_t rootOf(xcb_connection_t* connection, xcb_window_t window)
{
    const auto geometry = reply(xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr));
    return geometry ? geometry->root : xcb_window_t{XCB_WINDOW_NONE};
}

}  // namespace

void keepAboveOnEveryWorkspace(xcb_window_t window)
{
    auto* connection = qtConnection();
    if (!connection || window == XCB_WINDOW_NONE) return;
    // Appended: Qt adds its own states to those it finds when it maps the window.
    const xcb_atom_t states[] = {qtAtom("_NET_WM_STATE_ABOVE"), qtAtom("_NET_WM_STATE_STICKY")};
    xcb_change_property(connection, XCB_PROP_MODE_APPEND, window, qtAtom("_NET_WM_STATE"), XCB_ATOM_ATOM, 32, 2, states);
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, qtAtom("_NET_WM_DESKTOP"), XCB_ATOM_CARDINAL, 32, 1,
                        &everyWorkspace);
    xcb_flush(connection);
}

void activateOwnWindow(xcb_window_t window)
{
    auto* connection = qtConnection();
    if (!connection || window == XCB_WINDOW_NONE) return;
    const xcb_window_t root = rootOf(connection, window);
    if (root == XCB_WINDOW_NONE) return;
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = qtAtom("_NET_ACTIVE_WINDOW");
    message.data.data32[0] = sourcePager;
    message.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(connection, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(connection);
}

}  // namespace x11
