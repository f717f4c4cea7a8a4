#pragma once

#include "platform/ui/Layer.h"

class QPainter;

namespace ui {

// Draws the layer and its sublayers as they are t seconds after the build. The painter's
// coordinates are the layer's superlayer's, y down, with the superlayer height given so
// that the tree's y-up frames land where they should.
void paintLayer(QPainter& painter, const Layer& layer, double t, double superlayerHeight);

}  // namespace ui
