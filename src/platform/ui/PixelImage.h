#pragma once

#include "platform/desktop/Types.h"

#include <QImage>

namespace ui {

// A captured picture as an image whose fourth bytes are alpha, in the given format with
// alpha: the picture's own pixels wrapped, or, for an opaque picture whose fourth bytes
// are padding, a copy with them opaque. A wrapping image lives no longer than the buffer.
QImage pixelImage(const desktop::PixelBuffer& buffer, QImage::Format alphaFormat);

}  // namespace ui
