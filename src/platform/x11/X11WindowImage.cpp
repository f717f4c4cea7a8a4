#include "platform/x11/X11WindowImage.h"

#include "platform/desktop/GlobalSpace.h"
#include "platform/x11/X11FrameGeometry.h"
#include "platform/x11/X11Frames.h"
#include "platform/x11/X11ReadSize.h"
#include "platform/x11/X11ServerCompose.h"
#include "platform/x11/X11StillPixmap.h"

#include <algorithm>
#include <cmath>

namespace x11 {

desktop::PixelBufferRef windowImage(Connection& connection, xcb_window_t frame, double scale)
{
    StillPixmap still(connection, frame);
    if (!still.awaitOwnPicture()) return nullptr;
    auto& window = still.window();
    if (!window.name()) return nullptr;
    const auto& pixmap = *window.pixmap();
    const auto state = windowState(connection, frame);
    if (!state) return nullptr;
    const auto part = shownPart(connection, frame, clientWindow(connection, frame), {pixmap.width, pixmap.height});
    // Pixels per point is the scale of the monitor the window stands on; the server
    // scales only when another is asked for.
    const auto points = desktop::globalSpace().toGlobal(core::Rect(state->x, state->y, part.width, part.height));
    const auto [width, height] = readSize(std::max(1, static_cast<int>(std::lround(points.width() * scale))),
                                          std::max(1, static_cast<int>(std::lround(points.height() * scale))));
    if (part == PixelRect{0, 0, pixmap.width, pixmap.height} && width == pixmap.width && height == pixmap.height &&
        readsDirectly(pixmap))
        return readDrawable(connection, nullptr, pixmap);
    return composeOnServer(connection, nullptr, {Layer{pixmap, 0, 0}}, part.x, part.y, part.width, part.height, width,
                           height, false);
}

}  // namespace x11
