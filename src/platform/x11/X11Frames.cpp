#include "platform/x11/X11Frames.h"

#include <cstdlib>
#include <memory>

namespace x11 {

xcb_window_t frameWindow(Connection& connection, xcb_window_t client)
{
    xcb_window_t window = client;
    // A reparenting window manager nests a client a few levels deep at most; the bound
    // keeps a tree that changes under us from looping.
    for (int depth = 0; depth < 16; ++depth) {
        const std::unique_ptr<xcb_query_tree_reply_t, decltype(&std::free)> tree(
            xcb_query_tree_reply(connection.xcb(), xcb_query_tree(connection.xcb(), window), nullptr), &std::free);
        if (!tree) return XCB_WINDOW_NONE;
        if (tree->parent == tree->root || tree->parent == XCB_WINDOW_NONE) return window;
        window = tree->parent;
    }
    return XCB_WINDOW_NONE;
}

}  // namespace x11
