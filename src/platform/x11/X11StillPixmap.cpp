#include "platform/x11/X11StillPixmap.h"

#include "platform/x11/X11Frames.h"

#include <xcb/composite.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>

namespace x11 {
namespace {

struct PixelRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool overlaps(const PixelRect& other) const
    {
        return x < other.x + other.width && other.x < x + width && y < other.y + other.height && other.y < y + height;
    }
    bool inside(const PixelRect& other) const
    {
        return x >= other.x && y >= other.y && x + width <= other.x + other.width && y + height <= other.y + other.height;
    }
};

// The client window's place on the root; none when it is gone.
std::optional<PixelRect> clientRect(Connection& connection, xcb_window_t client)
{
    auto* c = connection.xcb();
    const auto geometryCookie = xcb_get_geometry(c, client);
    const auto placeCookie = xcb_translate_coordinates(c, client, connection.root(), 0, 0);
    const auto geometry = connection.answer(xcb_get_geometry_reply, geometryCookie);
    const auto place = connection.answer(xcb_translate_coordinates_reply, placeCookie);
    if (!geometry || !place) return std::nullopt;
    return PixelRect{place->dst_x, place->dst_y, geometry->width, geometry->height};
}

// Whether any of the client's pixels was hidden from the screen (by a window stacked above
// its frame, or beyond the screen's edge): the redirect exposes just those, and only the
// client can draw them again.
bool clientHidden(Connection& connection, xcb_window_t frame, xcb_window_t client)
{
    auto* c = connection.xcb();
    const auto shown = clientRect(connection, client);
    if (!shown) return false;
    const PixelRect screen{0, 0, connection.screen()->width_in_pixels, connection.screen()->height_in_pixels};
    if (!shown->inside(screen)) return true;
    const auto tree = connection.answer(xcb_query_tree_reply, xcb_query_tree(c, connection.root()));
    if (!tree) return false;
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    const xcb_window_t* end = children + xcb_query_tree_children_length(tree.get());
    // Bottom to top: the windows after the frame are above it. All asked, then all answered.
    const xcb_window_t* above = std::find(children, end, frame);
    if (above == end) return false;
    std::vector<std::pair<xcb_get_window_attributes_cookie_t, xcb_get_geometry_cookie_t>> questions;
    for (const xcb_window_t* sibling = above + 1; sibling != end; ++sibling)
        questions.emplace_back(xcb_get_window_attributes(c, *sibling), xcb_get_geometry(c, *sibling));
    bool hidden = false;
    for (const auto& [attributesCookie, geometryCookie] : questions) {
        const auto attributes = connection.answer(xcb_get_window_attributes_reply, attributesCookie);
        const auto geometry = connection.answer(xcb_get_geometry_reply, geometryCookie);
        if (hidden || !attributes || !geometry || attributes->map_state != XCB_MAP_STATE_VIEWABLE ||
            attributes->_class == XCB_WINDOW_CLASS_INPUT_ONLY)
            continue;
        const int border = 2 * geometry->border_width;
        hidden = shown->overlaps({geometry->x, geometry->y, geometry->width + border, geometry->height + border});
    }
    return hidden;
}

}  // namespace

// The picture can be read at once when the window is redirected already (naming a pixmap
// fails for a window that is not), shows nothing, or shows all its client's pixels.
StillPixmap::Before StillPixmap::ask(Connection& connection, xcb_window_t frame)
{
    auto* c = connection.xcb();
    const xcb_pixmap_t probe = xcb_generate_id(c);
    const auto attributesCookie = xcb_get_window_attributes(c, frame);
    const auto nameCookie = xcb_composite_name_window_pixmap_checked(c, frame, probe);
    const auto attributes = connection.answer(xcb_get_window_attributes_reply, attributesCookie);
    auto* refusal = xcb_request_check(c, nameCookie);
    if (!refusal) xcb_free_pixmap(c, probe);
    std::free(refusal);
    if (!refusal || !attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE) return {};
    const xcb_window_t client = clientWindow(connection, frame);
    if (!clientHidden(connection, frame, client)) return {};
    return {false, client};
}

StillPixmap::StillPixmap(Connection& connection, xcb_window_t frame)
    : connection_(connection), before_(ask(connection, frame)), pixmap_(connection, frame)
{
    if (before_.readsAtOnce) return;
    auto* c = connection_.xcb();
    const std::uint8_t notify = connection_.events().damage + XCB_DAMAGE_NOTIFY;
    damage_ = xcb_generate_id(c);
    // A new damage reports the whole window at once, and the server's own painting of the
    // exposed window (its background, at the redirect) may count too: only what is
    // reported after the damage is emptied again is the client's drawing. Events carry
    // the sequence of our latest request the server had read.
    const auto emptied = std::make_shared<std::atomic<std::optional<std::uint16_t>>>();
    handler_ = connection_.addEventHandler(
        [notify, damage = damage_, emptied, drawn = drawn_](const xcb_generic_event_t& event) mutable {
            if ((event.response_type & 0x7f) != notify) return;
            if (reinterpret_cast<const xcb_damage_notify_event_t&>(event).damage != damage) return;
            const auto since = emptied->load();
            if (since && static_cast<std::int16_t>(event.sequence - *since) >= 0) drawn.signal();
        });
    // Its children's drawing (an Xt application's widgets) counts too, the decorations' not.
    xcb_damage_create(c, damage_, before_.client, XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
    emptied->store(static_cast<std::uint16_t>(xcb_damage_subtract(c, damage_, XCB_NONE, XCB_NONE).sequence));
    connection_.flush();
}

StillPixmap::~StillPixmap()
{
    if (damage_ == XCB_NONE) return;
    connection_.removeEventHandler(handler_);
    xcb_damage_destroy(connection_.xcb(), damage_);
    connection_.flush();
}

bool StillPixmap::awaitOwnPicture() { return before_.readsAtOnce || drawn_.wait(redrawSeconds); }

}  // namespace x11
