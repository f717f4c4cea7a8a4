#pragma once

#include <QColor>

#include <string>

namespace ui {

// The named colours of the interface ("systemBlue", "secondaryLabel", "separator",
// "controlAccent", "controlBackground", "windowBackground", "link" ...), one light
// appearance. An unknown name gives opaque magenta, so a typo shows.
QColor systemColor(const std::string& name);

}  // namespace ui
