#include "platform/x11/X11Ewmh.h"

#include "platform/core/SystemLog.h"
#include "platform/x11/X11Frames.h"
#include "platform/x11/X11Iconic.h"
#include "platform/x11/X11Reply.h"

#include <algorithm>
#include <atomic>
#include <iterator>
#include <string>

namespace x11::ewmh {
namespace {

constexpr std::uint32_t sourcePager = 2;
constexpr std::uint32_t stateRemove = 0;
constexpr std::uint32_t stateAdd = 1;
// _NET_MOVERESIZE_WINDOW's flags: the position is the frame's top-left (NorthWest
// gravity), the request comes from a pager, and the fields set.
constexpr std::uint32_t northWestGravity = 1;
constexpr std::uint32_t setsPositionAndSize = 0xFu << 8;
constexpr std::uint32_t fromPager = sourcePager << 12;

// Said once, whichever service's listing meets it first: a flooding client and the
// window manager may take turns at the list.
std::atomic<bool> toldCut{false};

void sendRootMessage(Connection& connection, xcb_window_t window, std::string_view type, std::uint32_t d0,
                     std::uint32_t d1 = 0, std::uint32_t d2 = 0, std::uint32_t d3 = 0, std::uint32_t d4 = 0)
{
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = connection.atom(type);
    message.data.data32[0] = d0;
    message.data.data32[1] = d1;
    message.data.data32[2] = d2;
    message.data.data32[3] = d3;
    message.data.data32[4] = d4;
    xcb_send_event(connection.xcb(), 0, connection.root(),
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&message));
    connection.flush();
}

xcb_get_property_cookie_t askStacking(Connection& connection, std::size_t limit, std::size_t offset = 0)
{
    return xcb_get_property(connection.xcb(), 0, connection.root(), connection.atom("_NET_CLIENT_LIST_STACKING"),
                            XCB_ATOM_WINDOW, static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(limit));
}

// The list from the reply to its head; a list too long is read again from its top end,
// as EWMH lists bottom to top.
std::optional<std::vector<std::uint32_t>> stackingOf(Connection& connection, Reply<xcb_get_property_reply_t> head,
                                                     std::size_t limit)
{
    if (!head || head->type == XCB_ATOM_NONE) return std::nullopt;
    const std::size_t total =
        static_cast<std::size_t>(xcb_get_property_value_length(head.get())) / 4 + head->bytes_after / 4;
    const bool cut = head->format == 32 && total > limit;
    if (cut) head = connection.answer(xcb_get_property_reply, askStacking(connection, limit, total - limit));
    if (cut && !toldCut.exchange(true))
        core::systemLog::write("x11: the client list names " + std::to_string(total) + " windows; only the front " +
                               std::to_string(limit) + " are read");
    return unitsOf(head.get());
}

xcb_get_property_cookie_t askRootUnits(Connection& connection, std::string_view property, xcb_atom_t type,
                                       std::uint32_t units)
{
    return xcb_get_property(connection.xcb(), 0, connection.root(), connection.atom(property), type, 0, units);
}

// The first unit of a 32-bit property; none when it is missing.
std::optional<std::uint32_t> firstUnit(Connection& connection, xcb_get_property_cookie_t cookie)
{
    const auto units = unitsOf(connection.answer(xcb_get_property_reply, cookie).get());
    return units.empty() ? std::nullopt : std::optional<std::uint32_t>(units[0]);
}

}  // namespace

std::optional<std::vector<std::uint32_t>> stackingList(Connection& connection)
{
    return stackingOf(connection, connection.answer(xcb_get_property_reply, askStacking(connection, maxListedClients)),
                      maxListedClients);
}

std::vector<xcb_window_t> clientList(Connection& connection)
{
    return connection.cardinals(connection.root(), connection.atom("_NET_CLIENT_LIST"), XCB_ATOM_WINDOW);
}

xcb_window_t activeOrFocusedClient(Connection& connection)
{
    const auto active = connection.cardinals(connection.root(), connection.atom("_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW);
    if (!active.empty() && active.front() != XCB_WINDOW_NONE) return active.front();
    const auto focus = connection.answer(xcb_get_input_focus_reply, xcb_get_input_focus(connection.xcb()));
    // None and PointerRoot name no window.
    if (!focus || focus->focus == XCB_WINDOW_NONE || focus->focus == xcb_window_t{XCB_INPUT_FOCUS_POINTER_ROOT} ||
        focus->focus == connection.root())
        return XCB_WINDOW_NONE;
    // A client may hold the focus in a window of its own inside its top-level one.
    const xcb_window_t topLevel = frameWindow(connection, focus->focus);
    return topLevel == XCB_WINDOW_NONE ? topLevel : clientWindow(connection, topLevel);
}

std::optional<core::Rect> workArea(Connection& connection)
{
    const auto areas = connection.cardinals(connection.root(), connection.atom("_NET_WORKAREA"), XCB_ATOM_CARDINAL);
    const auto current =
        connection.cardinals(connection.root(), connection.atom("_NET_CURRENT_DESKTOP"), XCB_ATOM_CARDINAL);
    const std::size_t desktop = current.empty() ? 0 : current.front();
    if (areas.size() < (desktop + 1) * 4) return std::nullopt;
    const auto* area = areas.data() + desktop * 4;
    return core::Rect(static_cast<std::int32_t>(area[0]), static_cast<std::int32_t>(area[1]), area[2], area[3]);
}

RootState rootState(Connection& connection)
{
    const auto stacking = askStacking(connection, maxReadClientIds);
    const auto desktop = askRootUnits(connection, "_NET_CURRENT_DESKTOP", XCB_ATOM_CARDINAL, 1);
    const auto active = askRootUnits(connection, "_NET_ACTIVE_WINDOW", XCB_ATOM_WINDOW, 1);
    RootState state;
    state.stacking = stackingOf(connection, connection.answer(xcb_get_property_reply, stacking), maxReadClientIds);
    state.currentDesktop = firstUnit(connection, desktop);
    state.activeWindow = firstUnit(connection, active).value_or(XCB_WINDOW_NONE);
    return state;
}

void activate(Connection& connection, xcb_window_t window)
{
    sendRootMessage(connection, window, "_NET_ACTIVE_WINDOW", sourcePager, XCB_CURRENT_TIME);
}

void restack(Connection& connection, xcb_window_t window, xcb_window_t sibling, std::uint32_t stackMode)
{
    sendRootMessage(connection, window, "_NET_RESTACK_WINDOW", sourcePager, sibling, stackMode);
}

void moveFrameResizeClient(Connection& connection, xcb_window_t window, std::int32_t x, std::int32_t y,
                           std::uint32_t width, std::uint32_t height)
{
    sendRootMessage(connection, window, "_NET_MOVERESIZE_WINDOW", northWestGravity | fromPager | setsPositionAndSize,
                    static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y), width, height);
}

std::optional<std::uint32_t> currentDesktop(Connection& connection)
{
    return firstUnit(connection, askRootUnits(connection, "_NET_CURRENT_DESKTOP", XCB_ATOM_CARDINAL, 1));
}

std::vector<xcb_atom_t> placingStates(Connection& connection, const std::vector<xcb_atom_t>& states)
{
    const xcb_atom_t placing[] = {connection.atom("_NET_WM_STATE_MAXIMIZED_VERT"),
                                  connection.atom("_NET_WM_STATE_MAXIMIZED_HORZ"),
                                  connection.atom("_NET_WM_STATE_FULLSCREEN")};
    std::vector<xcb_atom_t> result;
    for (const auto state : states)
        if (std::find(std::begin(placing), std::end(placing), state) != std::end(placing)) result.push_back(state);
    return result;
}

void setStates(Connection& connection, xcb_window_t window, const std::vector<xcb_atom_t>& states, bool add)
{
    // Two to a message, as EWMH allows.
    for (std::size_t i = 0; i < states.size(); i += 2)
        sendRootMessage(connection, window, "_NET_WM_STATE", add ? stateAdd : stateRemove, states[i],
                        i + 1 < states.size() ? states[i + 1] : 0, sourcePager);
}

void setAbove(Connection& connection, xcb_window_t window, bool above)
{
    sendRootMessage(connection, window, "_NET_WM_STATE", above ? stateAdd : stateRemove,
                    connection.atom("_NET_WM_STATE_ABOVE"), 0, sourcePager);
}

void close(Connection& connection, xcb_window_t window)
{
    sendRootMessage(connection, window, "_NET_CLOSE_WINDOW", XCB_CURRENT_TIME, sourcePager);
}

void iconify(Connection& connection, xcb_window_t window)
{
    sendRootMessage(connection, window, "WM_CHANGE_STATE", iconicState);
}

}  // namespace x11::ewmh
