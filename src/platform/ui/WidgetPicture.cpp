#include "platform/ui/WidgetPicture.h"

#include <QImage>
#include <QWidget>
#include <QtEndian>

#include <cmath>
#include <cstring>

namespace ui {

// ARGB32 is B, G, R, A in memory on little-endian machines, the buffer's order.
static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN);

desktop::PixelBufferRef renderWidget(QWidget& widget, double scale)
{
    const QSize size = widget.size();
    if (size.isEmpty() || !(scale > 0)) return nullptr;

    QImage image(static_cast<int>(std::ceil(size.width() * scale)), static_cast<int>(std::ceil(size.height() * scale)),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
    image = image.convertToFormat(QImage::Format_ARGB32);

    auto buffer = std::make_shared<desktop::PixelBuffer>(image.width(), image.height());
    const auto rowBytes = static_cast<std::size_t>(buffer->bytesPerRow);
    for (int y = 0; y < image.height(); ++y) std::memcpy(buffer->row(y), image.constScanLine(y), rowBytes);
    return buffer;
}

}  // namespace ui
