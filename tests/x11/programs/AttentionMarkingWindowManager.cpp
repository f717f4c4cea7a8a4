// A window manager that will not let go of the mark for attention: it maps and places what
// it is asked to, marks each window it maps as demanding attention, and each time a client
// asks it to drop the mark, writes it back at once. It writes a line to the file given for
// each window it maps ("mapped ID") and each time it is asked to drop a mark ("removal
// ID"), the id in decimal. It names itself on the root once it manages the display.
//
//   glimra_test_attention_marking_wm LOG-FILE

#include <xcb/xcb.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

xcb_connection_t* connection = nullptr;

xcb_atom_t atom(const char* name)
{
    auto* reply = xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, std::strlen(name), name), nullptr);
    const xcb_atom_t value = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return value;
}

std::vector<xcb_atom_t> states(xcb_window_t window, xcb_atom_t state)
{
    auto* reply = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, state, XCB_ATOM_ATOM, 0, 64), nullptr);
    std::vector<xcb_atom_t> atoms;
    if (reply && reply->format == 32) {
        const auto* values = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply));
        atoms.assign(values, values + xcb_get_property_value_length(reply) / 4);
    }
    std::free(reply);
    return atoms;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s LOG-FILE\n", argv[0]);
        return 2;
    }
    std::FILE* log = std::fopen(argv[1], "w");
    connection = xcb_connect(nullptr, nullptr);
    if (!log || xcb_connection_has_error(connection)) return 1;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const std::uint32_t redirect = XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    if (xcb_request_check(connection,
                          xcb_change_window_attributes_checked(connection, screen->root, XCB_CW_EVENT_MASK, &redirect))) {
        std::fprintf(stderr, "another window manager runs\n");
        return 1;
    }
    const xcb_atom_t state = atom("_NET_WM_STATE");
    const xcb_atom_t attention = atom("_NET_WM_STATE_DEMANDS_ATTENTION");
    const auto mark = [&](xcb_window_t window) {
        auto marked = states(window, state);
        marked.push_back(attention);
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, state, XCB_ATOM_ATOM, 32,
                            static_cast<std::uint32_t>(marked.size()), marked.data());
        xcb_flush(connection);
    };
    const auto note = [&](const char* what, xcb_window_t window) {
        std::fprintf(log, "%s %u\n", what, window);
        std::fflush(log);
    };

    const xcb_window_t check = xcb_generate_id(connection);
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, check, screen->root, -1, -1, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    const xcb_atom_t supportingCheck = atom("_NET_SUPPORTING_WM_CHECK");
    for (const xcb_window_t window : {check, screen->root})
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, supportingCheck, XCB_ATOM_WINDOW, 32, 1, &check);
    xcb_flush(connection);

    while (auto* event = xcb_wait_for_event(connection)) {
        switch (event->response_type & 0x7f) {
        case XCB_MAP_REQUEST: {
            const xcb_window_t window = reinterpret_cast<xcb_map_request_event_t*>(event)->window;
            xcb_map_window(connection, window);
            mark(window);
            note("mapped", window);
            break;
        }
        case XCB_CONFIGURE_REQUEST: {
            const auto* request = reinterpret_cast<xcb_configure_request_event_t*>(event);
            const std::uint32_t values[] = {std::uint32_t(request->x), std::uint32_t(request->y), request->width,
                                            request->height};
            xcb_configure_window(connection, request->window,
                                 XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH |
                                     XCB_CONFIG_WINDOW_HEIGHT,
                                 values);
            xcb_flush(connection);
            break;
        }
        case XCB_CLIENT_MESSAGE: {
            const auto* message = reinterpret_cast<xcb_client_message_event_t*>(event);
            const auto& data = message->data.data32;
            const bool dropsMark = message->type == state && data[0] == 0 &&
                                   (data[1] == attention || data[2] == attention);
            if (dropsMark) {
                mark(message->window);
                note("removal", message->window);
            }
            break;
        }
        }
        std::free(event);
    }
    return 0;
}
