#pragma once

#include "platform/ui/Layer.h"

#include <QPainterPath>

namespace ui {

// A layer's outline in painter coordinates: the layer's y-up points flipped within its
// height; filled by the non-zero rule.
QPainterPath outlinePath(const LayerPath& path, double height);

// The first fraction of the outline's length, subpath after subpath (ellipses last, each
// from its rightmost point counter-clockwise with y up), as open polylines; empty for a
// fraction of 0 or less.
QPainterPath outlineStart(const LayerPath& path, double fraction, double height);

}  // namespace ui
