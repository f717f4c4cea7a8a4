#pragma once

#include "platform/desktop/Types.h"

class QWidget;

namespace ui {

// The widget and its children drawn at the pixel scale into a BGRA buffer with straight
// (not premultiplied) alpha; none for an empty widget. GUI thread only.
desktop::PixelBufferRef renderWidget(QWidget& widget, double scale);

}  // namespace ui
