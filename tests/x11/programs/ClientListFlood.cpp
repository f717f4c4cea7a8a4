// Writes a padded client list on the root (_NET_CLIENT_LIST_STACKING) once a second until
// it is ended, as a hostile client might: the made-up ids 1 to COUNT (the root's own among
// them) at the bottom, the windows the window manager listed at the start on top; with
// "front" after COUNT, the made-up ids on top.
#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numeric>
#include <thread>
#include <vector>

int main(int argc, char** argv)
{
    const unsigned long count = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100000;
    const bool inFront = argc > 2 && std::strcmp(argv[2], "front") == 0;
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection)) {
        std::fprintf(stderr, "client-list flood: no display\n");
        return 1;
    }
    auto screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber; ++i) xcb_screen_next(&screens);
    const xcb_window_t root = screens.data->root;
    const char name[] = "_NET_CLIENT_LIST_STACKING";
    xcb_intern_atom_reply_t* atom =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, std::strlen(name), name), nullptr);
    if (!atom) return 1;
    std::vector<std::uint32_t> madeUp(count);
    std::iota(madeUp.begin(), madeUp.end(), 1u);
    std::vector<std::uint32_t> ids;
    if (auto* listed = xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, root, atom->atom, XCB_ATOM_WINDOW, 0, 4096), nullptr)) {
        const auto* real = static_cast<const std::uint32_t*>(xcb_get_property_value(listed));
        if (listed->format == 32) ids.assign(real, real + xcb_get_property_value_length(listed) / 4);
        std::free(listed);
    }
    ids.insert(inFront ? ids.end() : ids.begin(), madeUp.begin(), madeUp.end());
    for (;;) {
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, root, atom->atom, XCB_ATOM_WINDOW, 32,
                            static_cast<std::uint32_t>(ids.size()), ids.data());
        xcb_flush(connection);
        if (xcb_connection_has_error(connection)) return 1;
        std::this_thread::sleep_for(std::chrono::seconds(1));
    }
}
