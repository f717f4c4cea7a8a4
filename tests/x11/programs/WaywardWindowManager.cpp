// A window manager that draws no frames (the client's own 1 px border is its edge) and
// takes _NET_MOVERESIZE_WINDOW as the root's string _WAYWARD_MODE says at the time:
// "late" carries each request out 1.5 s later, in order; anything else obeys at once. The
// root's cardinal _WAYWARD_PENDING counts the requests still to be carried out. Clients
// keep the place and size they map at. Runs until it is ended.
#include <xcb/xcb.h>
#include <xcb/xcb_icccm.h>

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto lateBy = std::chrono::milliseconds(1500);
constexpr std::uint32_t border = 1;

xcb_connection_t* c = nullptr;
xcb_window_t root = XCB_WINDOW_NONE;

xcb_atom_t atom(const char* name)
{
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr), &std::free);
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

void setCardinals(xcb_window_t window, const char* name, xcb_atom_t type, const std::vector<std::uint32_t>& values)
{
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, atom(name), type, 32, values.size(), values.data());
}

std::string mode()
{
    const std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(c, xcb_get_property(c, 0, root, atom("_WAYWARD_MODE"), XCB_ATOM_STRING, 0, 64), nullptr),
        &std::free);
    if (!reply) return {};
    return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                       xcb_get_property_value_length(reply.get()));
}

struct Move {
    Clock::time_point due;
    xcb_window_t window;
    std::int32_t x, y;
    std::uint32_t width, height;
};

std::vector<xcb_window_t> clients;
std::deque<Move> pending;

void publish()
{
    setCardinals(root, "_NET_CLIENT_LIST", XCB_ATOM_WINDOW, clients);
    setCardinals(root, "_NET_CLIENT_LIST_STACKING", XCB_ATOM_WINDOW, clients);
    setCardinals(root, "_WAYWARD_PENDING", XCB_ATOM_CARDINAL, {static_cast<std::uint32_t>(pending.size())});
    xcb_flush(c);
}

// The window's x and y are the outer corner of its border, as the request's north-west
// gravity names it.
void carryOut(const Move& move)
{
    const std::uint32_t placed[] = {static_cast<std::uint32_t>(move.x), static_cast<std::uint32_t>(move.y),
                                    move.width, move.height};
    xcb_configure_window(
        c, move.window, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT,
        placed);
}

void manage(xcb_window_t window)
{
    const std::uint32_t edge[] = {border};
    xcb_configure_window(c, window, XCB_CONFIG_WINDOW_BORDER_WIDTH, edge);
    setCardinals(window, "WM_STATE", atom("WM_STATE"), {XCB_ICCCM_WM_STATE_NORMAL, XCB_WINDOW_NONE});
    xcb_map_window(c, window);
    if (std::find(clients.begin(), clients.end(), window) == clients.end()) clients.push_back(window);
    publish();
}

void forget(xcb_window_t window)
{
    std::erase(clients, window);
    std::erase_if(pending, [window](const Move& move) { return move.window == window; });
    publish();
}

void moveResize(const xcb_client_message_event_t& message)
{
    const auto* data = message.data.data32;
    const Move move{Clock::now() + lateBy, message.window, static_cast<std::int32_t>(data[1]),
                    static_cast<std::int32_t>(data[2]), data[3], data[4]};
    if (mode() != "late") return carryOut(move);
    pending.push_back(move);
    publish();
}

int waitMilliseconds()
{
    if (pending.empty()) return -1;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(pending.front().due - Clock::now());
    return static_cast<int>(std::max<long>(0, left.count()));
}

}  // namespace

int main()
{
    c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) return 1;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    root = screen->root;
    const std::uint32_t redirect[] = {XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY};
    if (xcb_request_check(c, xcb_change_window_attributes_checked(c, root, XCB_CW_EVENT_MASK, redirect))) return 1;

    const xcb_window_t check = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, check, root, -1, -1, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                      XCB_COPY_FROM_PARENT, 0, nullptr);
    const std::string name = "wayward";
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, check, atom("_NET_WM_NAME"), atom("UTF8_STRING"), 8, name.size(),
                        name.data());
    setCardinals(check, "_NET_SUPPORTING_WM_CHECK", XCB_ATOM_WINDOW, {check});
    setCardinals(root, "_NET_SUPPORTED", XCB_ATOM_ATOM,
                 {atom("_NET_CLIENT_LIST"), atom("_NET_CLIENT_LIST_STACKING"), atom("_NET_MOVERESIZE_WINDOW")});
    setCardinals(root, "_NET_WORKAREA", XCB_ATOM_CARDINAL, {0, 0, screen->width_in_pixels, screen->height_in_pixels});
    publish();
    setCardinals(root, "_NET_SUPPORTING_WM_CHECK", XCB_ATOM_WINDOW, {check});
    xcb_flush(c);

    const xcb_atom_t moveResizeAtom = atom("_NET_MOVERESIZE_WINDOW");
    pollfd events{xcb_get_file_descriptor(c), POLLIN, 0};
    while (!xcb_connection_has_error(c)) {
        while (!pending.empty() && pending.front().due <= Clock::now()) {
            carryOut(pending.front());
            pending.pop_front();
            publish();
        }
        xcb_flush(c);
        ::poll(&events, 1, waitMilliseconds());
        while (const std::unique_ptr<xcb_generic_event_t, decltype(&std::free)> event{xcb_poll_for_event(c),
                                                                                      &std::free}) {
            switch (event->response_type & 0x7f) {
            case XCB_MAP_REQUEST:
                manage(reinterpret_cast<xcb_map_request_event_t*>(event.get())->window);
                break;
            case XCB_UNMAP_NOTIFY:
                forget(reinterpret_cast<xcb_unmap_notify_event_t*>(event.get())->window);
                break;
            case XCB_DESTROY_NOTIFY:
                forget(reinterpret_cast<xcb_destroy_notify_event_t*>(event.get())->window);
                break;
            case XCB_CLIENT_MESSAGE: {
                const auto& message = *reinterpret_cast<xcb_client_message_event_t*>(event.get());
                if (message.type == moveResizeAtom) moveResize(message);
                break;
            }
            default:
                break;
            }
        }
        xcb_flush(c);
    }
    return 0;
}
