#include "settings/TriggerThemePreviewView.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

QColor colour(const app::HoverTriggerRgba& rgba)
{
    return QColor::fromRgbF(rgba.red, rgba.green, rgba.blue, rgba.alpha);
}

}  // namespace

void TriggerThemePreviewView::paintEvent(QPaintEvent*)
{
    const app::HoverTriggerColours colours = app::hoverTriggerColours(theme);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath body;
    body.addRoundedRect(r, 6.4, 6.4);
    QLinearGradient gradient(r.topLeft(), r.bottomLeft());
    gradient.setColorAt(0, colour(colours.top));
    gradient.setColorAt(1, colour(colours.bottom));
    painter.fillPath(body, gradient);
    painter.strokePath(body, QPen(QColor::fromRgbF(1, 1, 1, 0.18), 1));

    // 19 pt in from the right edge, its top 6.5 pt below the top edge: 14 x 10.
    const QRectF glyph(r.right() - 19, r.top() + 6.5, 14, 10);
    QPainterPath glyphPath;
    glyphPath.addRoundedRect(glyph, 2, 2);
    painter.fillPath(glyphPath, colour(colours.glyph));
}
