#pragma once

#include "platform/core/Geometry.h"
#include "platform/ui/Layer.h"

#include <QColor>

#include <vector>

// The guide's mock desktop as a desktop with a top panel and a bottom task bar shows it:
// a panel with a launcher, workspaces, a tray and a clock, a task bar of application
// buttons, and windows closed by a glyph rather than a coloured dot.
namespace guide {

// The panel, flush with the top of the mock screen's layer, which rounds its outer corners.
void addTopPanel(ui::Layer& screen, const core::Rect& frame);
// The task bar, flush with the bottom of the screen's layer; one button per frame (in the
// bar's coordinates), its icon in the colour given. Returns the buttons, left to right.
std::vector<ui::Layer*> addTaskBar(ui::Layer& screen, const core::Rect& frame, const std::vector<core::Rect>& buttons,
                                   const std::vector<QColor>& iconColors);
// Close, minimise and maximise glyphs in a window's title bar, the close glyph centred on
// the point (window coordinates), the others following it to the right.
void addWindowGlyphs(ui::Layer& window, core::Point closeCenter, double side);

}  // namespace guide
