#include "platform/x11/X11WindowPixmap.h"

#include "platform/x11/X11Reply.h"

#include <xcb/composite.h>

namespace x11 {

WindowPixmap::WindowPixmap(Connection& connection, xcb_window_t window) : connection_(connection), window_(window)
{
    // Redirections of one window by one client add up and each is undone on its own, so
    // every holder redirects and unredirects for itself.
    xcb_composite_redirect_window(connection_.xcb(), window_, XCB_COMPOSITE_REDIRECT_AUTOMATIC);
}

WindowPixmap::~WindowPixmap()
{
    freePixmap();
    xcb_composite_unredirect_window(connection_.xcb(), window_, XCB_COMPOSITE_REDIRECT_AUTOMATIC);
    connection_.flush();
}

bool WindowPixmap::name()
{
    freePixmap();
    auto* c = connection_.xcb();
    const auto attributes = connection_.answer(xcb_get_window_attributes_reply, xcb_get_window_attributes(c, window_));
    if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE) return false;
    const xcb_pixmap_t pixmap = xcb_generate_id(c);
    xcb_composite_name_window_pixmap(c, window_, pixmap);
    // The pixmap's own geometry includes the border and fails when naming failed.
    const auto geometry = connection_.answer(xcb_get_geometry_reply, xcb_get_geometry(c, pixmap));
    if (!geometry) return false;
    pixmap_ = DrawableInfo{pixmap, geometry->width, geometry->height, geometry->depth, attributes->visual};
    return true;
}

void WindowPixmap::freePixmap()
{
    if (pixmap_) xcb_free_pixmap(connection_.xcb(), pixmap_->id);
    pixmap_.reset();
}

std::optional<WindowState> windowState(Connection& connection, xcb_window_t window)
{
    auto* c = connection.xcb();
    const auto attributesCookie = xcb_get_window_attributes(c, window);
    const auto geometryCookie = xcb_get_geometry(c, window);
    const auto attributes = connection.answer(xcb_get_window_attributes_reply, attributesCookie);
    const auto geometry = connection.answer(xcb_get_geometry_reply, geometryCookie);
    if (!attributes || !geometry) return std::nullopt;
    WindowState state;
    state.viewable = attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    state.width = geometry->width + 2 * geometry->border_width;
    state.height = geometry->height + 2 * geometry->border_width;
    // A frame is a child of the root: its position is the root's.
    state.x = geometry->x;
    state.y = geometry->y;
    return state;
}

}  // namespace x11
