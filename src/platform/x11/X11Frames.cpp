#include "platform/x11/X11Frames.h"

#include "platform/x11/X11Reply.h"

namespace x11 {

xcb_window_t frameWindow(Connection& connection, xcb_window_t client)
{
    xcb_window_t window = client;
    // A window tree is shallow; the bound only guards against a server that answers nonsense.
    for (int depth = 0; depth < 64; ++depth) {
        const auto tree = reply(xcb_query_tree_reply(connection.xcb(), xcb_query_tree(connection.xcb(), window), nullptr));
        if (!tree) return XCB_WINDOW_NONE;
        if (tree->parent == tree->root || tree->parent == XCB_WINDOW_NONE) return window;
        window = tree->parent;
    }
    return XCB_WINDOW_NONE;
}

}  // namespace x11
