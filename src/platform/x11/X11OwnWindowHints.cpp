#include "platform/x11/X11OwnWindowHints.h"

#include "platform/x11/X11QtConnection.h"
#include "platform/x11/X11Text.h"

namespace x11 {

void floatOnEveryWorkspace(xcb_window_t window)
{
    auto* connection = qtConnection();
    if (!connection || window == XCB_WINDOW_NONE) return;
    // Replaces the types Qt wrote from the window's flags; Qt writes them only when the
    // flags change, and a new window is typed again before it is mapped.
    const xcb_atom_t dock = qtAtom("_NET_WM_WINDOW_TYPE_DOCK");
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, qtAtom("_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, 32, 1,
                        &dock);
    // Written before each mapping, without reading the states back: the window manager
    // dropped them on withdrawal, and Qt adds its own (above, modal...) to what it finds
    // when it maps the window. A read would stall every showing on a busy server.
    const xcb_atom_t states[] = {qtAtom("_NET_WM_STATE_SKIP_TASKBAR"), qtAtom("_NET_WM_STATE_SKIP_PAGER"),
                                 qtAtom("_NET_WM_STATE_STICKY")};
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, qtAtom("_NET_WM_STATE"), XCB_ATOM_ATOM, 32, 3,
                        states);
    // Window managers go by either: the sticky state or the desktop number for all.
    const std::uint32_t allDesktops = 0xFFFFFFFF;
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, qtAtom("_NET_WM_DESKTOP"), XCB_ATOM_CARDINAL, 32, 1,
                        &allDesktops);
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
