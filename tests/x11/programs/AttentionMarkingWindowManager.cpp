// A window manager that will not let go of the mark for attention: it maps and places what
// it is asked to, marks each window it maps as demanding attention, and writes the mark
// back each time a client asks it to drop it. It writes a line to the file given for each
// window it maps ("mapped ID") and each request to drop a mark ("removal ID"), in decimal.
//
//   glimra_test_attention_marking_wm LOG-FILE

#include <xcb/xcb.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

// The window's states with the mark added.
void mark(xcb_window_t window, xcb_atom_t state, xcb_atom_t attention)
{
    auto* reply = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, state, XCB_ATOM_ATOM, 0, 64), nullptr);
    std::vector<xcb_atom_t> states;
    if (reply && reply->format == 32) {
        const auto* values = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply));
        states.assign(values, values + xcb_get_property_value_length(reply) / 4);
    }
    std::free(reply);
    states.push_back(attention);
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, state, XCB_ATOM_ATOM, 32,
                        static_cast<std::uint32_t>(states.size()), states.data());
    xcb_flush(connection);
}

}  // namespace

int main(int argc, char** argv)
{
    std::FILE* log = argc == 2 ? std::fopen(argv[1], "w") : nullptr;
    connection = xcb_connect(nullptr, nullptr);
    if (!log || xcb_connection_has_error(connection)) return 1;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const std::uint32_t redirect = XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    if (xcb_request_check(connection,
                          xcb_change_window_attributes_checked(connection, screen->root, XCB_CW_EVENT_MASK, &redirect)))
        return 1;
    const xcb_atom_t state = atom("_NET_WM_STATE");
    const xcb_atom_t attention = atom("_NET_WM_STATE_DEMANDS_ATTENTION");
    // Named on the root: the test display takes that for a window manager that is ready.
    const xcb_window_t check = xcb_generate_id(connection);
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, check, screen->root, -1, -1, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    for (const xcb_window_t window : {check, screen->root})
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, atom("_NET_SUPPORTING_WM_CHECK"),
                            XCB_ATOM_WINDOW, 32, 1, &check);
    xcb_flush(connection);

    while (auto* event = xcb_wait_for_event(connection)) {
        const auto type = event->response_type & 0x7f;
        if (type == XCB_MAP_REQUEST) {
            const xcb_window_t window = reinterpret_cast<xcb_map_request_event_t*>(event)->window;
            xcb_map_window(connection, window);
            mark(window, state, attention);
            std::fprintf(log, "mapped %u\n", window);
        } else if (type == XCB_CONFIGURE_REQUEST) {
            const auto* request = reinterpret_cast<xcb_configure_request_event_t*>(event);
            const std::uint32_t values[] = {std::uint32_t(request->x), std::uint32_t(request->y), request->width,
                                            request->height};
            xcb_configure_window(connection, request->window,
                                 XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH |
                                     XCB_CONFIG_WINDOW_HEIGHT,
                                 values);
            xcb_flush(connection);
        } else if (type == XCB_CLIENT_MESSAGE) {
            const auto* message = reinterpret_cast<xcb_client_message_event_t*>(event);
            const auto& data = message->data.data32;
            if (message->type == state && data[0] == 0 && (data[1] == attention || data[2] == attention)) {
                mark(message->window, state, attention);
                std::fprintf(log, "removal %u\n", message->window);
            }
        }
        std::fflush(log);
        std::free(event);
    }
    return 0;
}
