#pragma once

#include "settings/guide/SceneToolkit.h"

#include <QColor>

#include <functional>
#include <optional>
#include <string>
#include <vector>

// The actors that move over the mock desktop.
namespace guide {

// Draws a window's inside into the layer, in the rectangle given.
using ContentDrawer = std::function<void(ui::Layer&, const core::Rect&)>;

ui::Layer& triggerBlock(ui::Layer& parent, const core::Rect& rect);

struct PipWindow {
    ui::Layer* panel = nullptr;
    std::vector<ui::Layer*> icons;  // cross, box with arrow, ring with dot
};
// The border is always the accent colour at 90 %; without content the default text bars.
PipWindow pipWindow(ui::Layer& parent, const core::Rect& rect, std::optional<QColor> border = std::nullopt,
                    const ContentDrawer& customContent = {});
// The content drawer gets the panel's frame in the parent's coordinates.
ui::Layer& previewPanel(ui::Layer& parent, const core::Rect& rect, const ContentDrawer& customContent = {});
// The pointer; its position is the arrow's tip.
ui::Layer& cursor(ui::Layer& parent);
// Dips the pointer to 78 % around each click. A click closer than 2 x spread to the one
// before is left out with one log line.
void clickPulses(ui::Layer& layer, const std::vector<double>& at, double duration, double spread);
// The pill's width and text size follow fitCaption.
ui::Layer& captionPill(ui::Layer& parent, const std::string& text, core::Point center);
ui::Layer& circleGesture(ui::Layer& parent, const core::Rect& around, double width, double duration, double appear,
                         double vanish);
// A highlight ring: accent border 2.5 on the rectangle grown by outset, hidden at rest.
ui::Layer& highlightRing(ui::Layer& parent, const core::Rect& target, double outset, double cornerRadius);

}  // namespace guide
