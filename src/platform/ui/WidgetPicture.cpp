#include "platform/ui/WidgetPicture.h"

#include <QGraphicsOpacityEffect>
#include <QImage>
#include <QPainter>
#include <QWidget>
#include <QtEndian>

#include <cmath>
#include <cstring>

namespace ui {
namespace {

// ARGB32 is B, G, R, A in memory on little-endian machines, the buffer's order.
static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN);

QImage blankImage(QSize size, double scale)
{
    QImage image(static_cast<int>(std::ceil(size.width() * scale)), static_cast<int>(std::ceil(size.height() * scale)),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    return image;
}

// Opacity is the only effect the views use.
double effectOpacity(const QWidget& widget)
{
    const auto* effect = qobject_cast<const QGraphicsOpacityEffect*>(widget.graphicsEffect());
    return effect && effect->isEnabled() ? effect->opacity() : 1.0;
}

// The widget without its children, and without its effect, which its parent applies.
void drawAlone(QWidget& widget, QPainter& painter, QPoint at, QWidget::RenderFlags flags)
{
    QGraphicsEffect* effect = widget.graphicsEffect();
    const bool hadEffect = effect && effect->isEnabled();
    if (hadEffect) effect->setEnabled(false);
    widget.render(&painter, at, QRegion(), flags);
    if (hadEffect) effect->setEnabled(true);
}

// Qt draws a child that has a graphics effect at twice its offset when it renders a
// tree into an image, so the tree is drawn one widget at a time; a faded child fades
// with its whole subtree as one picture, as on screen.
void drawTree(QWidget& widget, QPainter& painter, QPoint at, double scale, QWidget::RenderFlags flags)
{
    drawAlone(widget, painter, at, flags);
    painter.save();
    painter.setClipRect(QRect(at, widget.size()), Qt::IntersectClip);
    for (QObject* object : widget.children()) {
        auto* child = qobject_cast<QWidget*>(object);
        if (!child || child->isWindow() || child->isHidden() || child->size().isEmpty()) continue;
        const double opacity = effectOpacity(*child);
        if (opacity <= 0) continue;
        const QPoint childAt = at + child->pos();
        if (opacity >= 1) {
            drawTree(*child, painter, childAt, scale, {});
            continue;
        }
        QImage layer = blankImage(child->size(), scale);
        {
            QPainter layerPainter(&layer);
            drawTree(*child, layerPainter, QPoint(), scale, {});
        }
        painter.setOpacity(opacity);
        painter.drawImage(childAt, layer);
        painter.setOpacity(1);
    }
    painter.restore();
}

}  // namespace

desktop::PixelBufferRef renderWidget(QWidget& widget, double scale)
{
    const QSize size = widget.size();
    if (size.isEmpty() || !(scale > 0)) return nullptr;

    QImage image = blankImage(size, scale);
    {
        QPainter painter(&image);
        drawTree(widget, painter, QPoint(), scale, QWidget::DrawWindowBackground);
    }
    image = image.convertToFormat(QImage::Format_ARGB32);

    auto buffer = std::make_shared<desktop::PixelBuffer>(image.width(), image.height());
    const auto rowBytes = static_cast<std::size_t>(buffer->bytesPerRow);
    for (int y = 0; y < image.height(); ++y) std::memcpy(buffer->row(y), image.constScanLine(y), rowBytes);
    return buffer;
}

}  // namespace ui
