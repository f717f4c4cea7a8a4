#include "platform/x11/X11Frames.h"

#include "platform/x11/X11Reply.h"

namespace x11 {

xcb_window_t frameWindow(Connection& connection, xcb_window_t client)
{
    xcb_window_t window = client;
    // A window tree is shallow; the bound only guards against a server that answers nonsense.
    for (int depth = 0; depth < 64; ++depth) {
        const auto tree = connection.answer(xcb_query_tree_reply, xcb_query_tree(connection.xcb(), window));
        if (!tree) return XCB_WINDOW_NONE;
        if (tree->parent == tree->root || tree->parent == XCB_WINDOW_NONE) return window;
        window = tree->parent;
    }
    return XCB_WINDOW_NONE;
}

namespace {

xcb_window_t findClient(Connection& connection, xcb_window_t window, int depth)
{
    if (connection.property(window, connection.atom("WM_STATE"), XCB_ATOM_ANY, 2)) return window;
    if (depth == 0) return XCB_WINDOW_NONE;
    const auto tree = connection.answer(xcb_query_tree_reply, xcb_query_tree(connection.xcb(), window));
    if (!tree) return XCB_WINDOW_NONE;
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i)
        if (const xcb_window_t client = findClient(connection, children[i], depth - 1)) return client;
    return XCB_WINDOW_NONE;
}

}  // namespace

xcb_window_t clientWindow(Connection& connection, xcb_window_t topLevel)
{
    // Window managers put the client a level or two inside their frame.
    const xcb_window_t client = findClient(connection, topLevel, 2);
    return client ? client : topLevel;
}

}  // namespace x11
