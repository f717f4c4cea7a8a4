#include "platform/x11/X11TrayColors.h"

#include "platform/x11/X11QtConnection.h"
#include "platform/x11/X11Reply.h"
#include "platform/x11/X11TraySelection.h"

#include <algorithm>
#include <cstdint>

namespace x11 {

std::optional<QColor> trayForegroundColor()
{
    auto* connection = qtConnection();
    const xcb_window_t owner = traySelectionOwner();
    if (!connection || owner == XCB_WINDOW_NONE) return std::nullopt;
    // Four colours of red, green and blue at 16 bits each; the first is the foreground.
    const auto cookie =
        xcb_get_property(connection, 0, owner, qtAtom("_NET_SYSTEM_TRAY_COLORS"), XCB_ATOM_CARDINAL, 0, 12);
    const auto colors = reply(xcb_get_property_reply(connection, cookie, nullptr));
    if (!colors || colors->format != 32 || xcb_get_property_value_length(colors.get()) < 3 * 4) return std::nullopt;
    const auto* rgb = static_cast<const std::uint32_t*>(xcb_get_property_value(colors.get()));
    const auto channel = [](std::uint32_t value) {
        return static_cast<int>(std::min<std::uint32_t>(value, 0xffff) >> 8);
    };
    return QColor(channel(rgb[0]), channel(rgb[1]), channel(rgb[2]));
}

}  // namespace x11
