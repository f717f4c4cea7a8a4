#pragma once

#include <QColor>

#include <optional>

namespace x11 {

// The foreground colour the system tray asks its icons to draw in
// (_NET_SYSTEM_TRAY_COLORS on the tray's manager window); none when no tray runs or it
// sets no colours. Main thread only.
std::optional<QColor> trayForegroundColor();

}  // namespace x11
