#include "platform/x11/X11FrameGeometry.h"

#include <cstdlib>
#include <memory>

namespace x11 {
namespace {

template <class Reply>
std::unique_ptr<Reply, decltype(&std::free)> owned(Reply* reply)
{
    return {reply, &std::free};
}

}  // namespace

FrameExtents frameExtents(Connection& connection, xcb_window_t client)
{
    const auto values = connection.cardinals(client, connection.atom("_NET_FRAME_EXTENTS"), XCB_ATOM_CARDINAL);
    if (values.size() < 4) return {};
    return {static_cast<double>(values[0]), static_cast<double>(values[1]), static_cast<double>(values[2]),
            static_cast<double>(values[3])};
}

std::optional<core::Rect> framePixels(Connection& connection, xcb_window_t client)
{
    auto* c = connection.xcb();
    const auto geometryCookie = xcb_get_geometry(c, client);
    const auto originCookie = xcb_translate_coordinates(c, client, connection.root(), 0, 0);
    xcb_generic_error_t* error = nullptr;
    auto geometry = owned(xcb_get_geometry_reply(c, geometryCookie, &error));
    std::free(error);
    error = nullptr;
    auto origin = owned(xcb_translate_coordinates_reply(c, originCookie, &error));
    std::free(error);
    if (!geometry || !origin) return std::nullopt;
    const auto extents = frameExtents(connection, client);
    return core::Rect(origin->dst_x - extents.left, origin->dst_y - extents.top,
                      geometry->width + extents.left + extents.right, geometry->height + extents.top + extents.bottom);
}

}  // namespace x11
