#include "platform/x11/X11FrameGeometry.h"

#include "platform/x11/X11ClientFacts.h"

namespace x11 {

FrameExtents frameExtents(Connection& connection, xcb_window_t client)
{
    const auto values = connection.cardinals(client, connection.atom("_NET_FRAME_EXTENTS"), XCB_ATOM_CARDINAL);
    if (values.size() < 4) return {};
    return {static_cast<double>(values[0]), static_cast<double>(values[1]), static_cast<double>(values[2]),
            static_cast<double>(values[3])};
}

std::optional<core::Rect> framePixels(Connection& connection, xcb_window_t client)
{
    const auto facts = readClientFacts(connection, {client});
    if (!facts.front()) return std::nullopt;
    return facts.front()->pixels;
}

}  // namespace x11
