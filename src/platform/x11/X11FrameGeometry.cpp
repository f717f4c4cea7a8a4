#include "platform/x11/X11FrameGeometry.h"

#include "platform/x11/X11ClientFacts.h"

#include <algorithm>

namespace x11 {

FrameExtents extentsOf(const std::vector<std::uint32_t>& values)
{
    if (values.size() < 4) return {};
    return {static_cast<double>(values[0]), static_cast<double>(values[1]), static_cast<double>(values[2]),
            static_cast<double>(values[3])};
}

FrameExtents clampedToScreen(FrameExtents extents, core::Size screen)
{
    const double width = std::max(0.0, screen.width), height = std::max(0.0, screen.height);
    return {std::min(extents.left, width), std::min(extents.right, width), std::min(extents.top, height),
            std::min(extents.bottom, height)};
}

FrameExtents frameExtents(Connection& connection, xcb_window_t client)
{
    const auto* screen = connection.screen();
    return clampedToScreen(
        extentsOf(connection.cardinals(client, connection.atom("_NET_FRAME_EXTENTS"), XCB_ATOM_CARDINAL)),
        {double(screen->width_in_pixels), double(screen->height_in_pixels)});
}

namespace {

// _MOTIF_WM_HINTS: flags, functions, decorations, ...; the decorations count when flag 2
// is set, and a set bit 1 (all) turns the other bits into exceptions.
bool asksForNoTitleBar(const std::vector<std::uint32_t>& motifHints)
{
    constexpr std::uint32_t decorationsGiven = 2, all = 1, title = 8;
    if (motifHints.size() < 3 || !(motifHints[0] & decorationsGiven)) return false;
    const std::uint32_t decorations = motifHints[2];
    return (decorations & all) ? (decorations & title) != 0 : (decorations & title) == 0;
}

}  // namespace

ButtonClearance buttonClearance(Connection& connection, xcb_window_t client)
{
    const FrameExtents frame = frameExtents(connection, client);
    ButtonClearance clearance{frame.top, frame.right, false};
    // GTK names the shadow of its own title bar where the window manager knows that
    // property, and otherwise asks for no decorations.
    const auto shadow = connection.cardinals(client, connection.atom("_GTK_FRAME_EXTENTS"), XCB_ATOM_CARDINAL);
    if (shadow.size() >= 4) {
        clearance.right += shadow[1];
        clearance.top += shadow[2];
        clearance.ownTitleBar = true;
    }
    if (asksForNoTitleBar(connection.cardinals(client, connection.atom("_MOTIF_WM_HINTS"))))
        clearance.ownTitleBar = true;
    return clearance;
}

PixelRect shownPart(PixelSize picture, PixelRect client, FrameExtents decorations, FrameExtents shadow)
{
    const double left = std::max(0.0, client.x - decorations.left + shadow.left);
    const double top = std::max(0.0, client.y - decorations.top + shadow.top);
    const double right = std::min<double>(picture.width, client.x + client.width + decorations.right - shadow.right);
    const double bottom = std::min<double>(picture.height, client.y + client.height + decorations.bottom - shadow.bottom);
    if (right - left < 1 || bottom - top < 1) return {0, 0, picture.width, picture.height};
    // Whole pixels: the client's place and every extent are.
    return {static_cast<int>(left), static_cast<int>(top), static_cast<int>(right - left),
            static_cast<int>(bottom - top)};
}

PixelRect shownPart(Connection& connection, xcb_window_t frame, xcb_window_t client, PixelSize picture)
{
    auto* c = connection.xcb();
    const auto frameCookie = xcb_get_geometry(c, frame);
    const auto clientCookie = xcb_get_geometry(c, client);
    const auto placeCookie = xcb_translate_coordinates(c, client, frame, 0, 0);
    const auto frameGeometry = connection.answer(xcb_get_geometry_reply, frameCookie);
    const auto clientGeometry = connection.answer(xcb_get_geometry_reply, clientCookie);
    const auto place = connection.answer(xcb_translate_coordinates_reply, placeCookie);
    if (!frameGeometry || !clientGeometry || !place) return {0, 0, picture.width, picture.height};
    // The picture starts at the frame's outer border edge, the client's place inside it.
    const int border = frameGeometry->border_width;
    const PixelRect placed{place->dst_x + border, place->dst_y + border, clientGeometry->width, clientGeometry->height};
    const auto shadow = extentsOf(connection.cardinals(client, connection.atom("_GTK_FRAME_EXTENTS"), XCB_ATOM_CARDINAL));
    return shownPart(picture, placed, frameExtents(connection, client), shadow);
}

std::optional<core::Rect> framePixels(Connection& connection, xcb_window_t client)
{
    const auto facts = readClientFacts(connection, {client});
    if (!facts.front()) return std::nullopt;
    return facts.front()->pixels;
}

}  // namespace x11
