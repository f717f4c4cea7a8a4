#include "platform/ui/PixelImage.h"

namespace ui {

QImage pixelImage(const desktop::PixelBuffer& buffer, QImage::Format alphaFormat)
{
    if (!buffer.opaque) return QImage(buffer.data(), buffer.width, buffer.height, buffer.bytesPerRow, alphaFormat);
    // Qt sets the alpha of every pixel when it converts from RGB32.
    return QImage(buffer.data(), buffer.width, buffer.height, buffer.bytesPerRow, QImage::Format_RGB32)
        .convertToFormat(alphaFormat);
}

}  // namespace ui
