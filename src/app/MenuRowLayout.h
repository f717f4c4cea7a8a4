#pragma once

#include "platform/core/Geometry.h"

#include <optional>

// Frames of a window row's parts, in the row's own coordinates with the origin at the top
// left (the layout is symmetric top to bottom, so this equals the bottom-left reading).
namespace app::menurow {

constexpr double defaultWidth = 300;
constexpr double height = 52;
constexpr double focusButtonSide = 22;
constexpr double focusButtonMargin = 12;
// Clicks this close to the focus button belong to neither the button nor the row.
constexpr double focusDeadZone = 2;

struct Layout {
    core::Rect thumbnail;  // zero without an image
    core::Rect label;
    core::Rect focusButton;
};

// thumbnailSize in points; labelHeight is the label's natural height.
Layout layout(double width, double rowHeight, std::optional<core::Size> thumbnailSize, double labelHeight);

// Whether a click at the point (row coordinates) lies on the focus button or within the
// dead zone around it, where the row must not act.
bool isNearFocusButton(core::Point point, double width, double rowHeight);

}  // namespace app::menurow
