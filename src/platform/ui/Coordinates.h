#pragma once

#include "platform/core/Geometry.h"

#include <QPointF>
#include <QRect>

namespace ui {

// Qt's global coordinates are the desktop's global ones (top-left origin of the primary
// display, y down) moved by the global space's Qt origin (none on the simulated desktop);
// own windows and the pointer speak screen coordinates (bottom-left, y up). These convert
// at the Qt boundary, flipping by the first screen's height.
QRect qtGeometry(const core::Rect& screenFrame);
core::Rect screenFrame(const QRect& qtGeometry);
QPointF qtGlobalPoint(core::Point screenPoint);
core::Point screenPoint(const QPointF& qtGlobalPoint);

// A view's frame as the views' code gives it: in its superview's coordinates, bottom-left
// origin unless the superview is flipped (top-left). Qt places child widgets top-left.
QRect viewGeometry(const core::Rect& frame, double superviewHeight, bool superviewFlipped);
core::Rect viewFrame(const QRect& qtGeometry, double superviewHeight, bool superviewFlipped);

// Whole pixels for a top-left rectangle, rounding each edge so that frames which touch
// still touch.
QRect roundedRect(const core::Rect& topLeftRect);

}  // namespace ui
