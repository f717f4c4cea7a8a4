#include "settings/guide/OnboardingWindow.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

// Drawn at twice its size so that it stays sharp on a Retina-like screen.
constexpr double pixelRatio = 2;
constexpr double imageWidth = 38;
constexpr double imageHeight = 25;

// The picture's own coordinates are bottom-left, y up, as the rectangles are given.
QRectF flipped(double x, double y, double w, double h) { return {x, imageHeight - y - h, w, h}; }

}  // namespace

QImage OnboardingWindow::triggerBlockImage()
{
    QImage image(QSize(imageWidth * pixelRatio, imageHeight * pixelRatio), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(pixelRatio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    QPainterPath block;
    const QRectF blockRect = flipped(0.5, 0.5, 37, 24);
    block.addRoundedRect(blockRect, 6, 6);
    // 90 degrees: from the bottom edge up.
    QLinearGradient gradient(blockRect.bottomLeft(), blockRect.topLeft());
    gradient.setColorAt(0, QColor::fromRgbF(0.7, 0.32, 0.98, 0.96));
    gradient.setColorAt(1, QColor::fromRgbF(0.46, 0.45, 1.0, 0.96));
    painter.fillPath(block, gradient);

    QPainterPath glyph;
    glyph.addRoundedRect(flipped(24.32, 13, 9.88, 7.5), 2, 2);
    painter.fillPath(glyph, QColor::fromRgbF(1, 1, 1, 0.95));
    return image;
}
