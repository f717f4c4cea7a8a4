#include "panels/views/BarButton.h"

#include "panels/views/PanelFonts.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

namespace views {

namespace {

constexpr double leadingGlyphSize = 9;
constexpr double leadingGlyphGap = 2;

QFont badgeFont() { return views::systemFont(10, QFont::DemiBold); }

// The white circle with the cross cut out of it.
void drawCloseCircle(QPainter& painter, const QRectF& box)
{
    QPainterPath circle;
    circle.addEllipse(box.adjusted(1, 1, -1, -1));
    QPainterPath cross;
    const QPointF c = box.center();
    const double arm = box.width() * 0.18;
    QPainterPathStroker stroker;
    stroker.setWidth(1.6);
    stroker.setCapStyle(Qt::RoundCap);
    QPainterPath lines;
    lines.moveTo(c + QPointF(-arm, -arm));
    lines.lineTo(c + QPointF(arm, arm));
    lines.moveTo(c + QPointF(arm, -arm));
    lines.lineTo(c + QPointF(-arm, arm));
    painter.fillPath(circle.subtracted(stroker.createStroke(lines)), Qt::white);
}

// A rounded square with an arrow leaving it towards the top right, cut out.
void drawOpenOriginal(QPainter& painter, const QRectF& box)
{
    QPainterPath square;
    square.addRoundedRect(box.adjusted(1.5, 1.5, -1.5, -1.5), 3.5, 3.5);
    const QRectF inner = box.adjusted(5, 5, -5, -5);
    QPainterPath arrow;
    arrow.moveTo(inner.bottomLeft());
    arrow.lineTo(inner.topRight());
    arrow.moveTo(inner.topRight() + QPointF(-inner.width() * 0.7, 0));
    arrow.lineTo(inner.topRight());
    arrow.lineTo(inner.topRight() + QPointF(0, inner.height() * 0.7));
    QPainterPathStroker stroker;
    stroker.setWidth(1.5);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    painter.fillPath(square.subtracted(stroker.createStroke(arrow)), Qt::white);
}

// A circle whose left half is filled.
void drawOpacity(QPainter& painter, const QRectF& box)
{
    const QRectF circle = box.adjusted(0.75, 0.75, -0.75, -0.75);
    painter.setPen(QPen(Qt::white, 1.1));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(circle);
    QPainterPath half;
    half.moveTo(circle.center());
    half.arcTo(circle, 90, 180);
    half.closeSubpath();
    painter.fillPath(half, Qt::white);
}

// Two arrows pointing to opposite corners.
void drawSize(QPainter& painter, const QRectF& box)
{
    const QRectF r = box.adjusted(1, 1, -1, -1);
    const double head = r.width() * 0.4;
    QPainterPath path;
    path.moveTo(r.bottomRight());
    path.lineTo(r.topLeft());
    path.moveTo(r.topLeft() + QPointF(head, 0));
    path.lineTo(r.topLeft());
    path.lineTo(r.topLeft() + QPointF(0, head));
    path.moveTo(r.bottomRight() - QPointF(head, 0));
    path.lineTo(r.bottomRight());
    path.lineTo(r.bottomRight() - QPointF(0, head));
    painter.setPen(QPen(Qt::white, 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
}

}  // namespace

BarButton::BarButton(Glyph glyph, bool badge, QWidget* parent) : QAbstractButton(parent), glyph_(glyph), badge_(badge)
{
    setFocusPolicy(Qt::NoFocus);
    if (badge_) setFont(badgeFont());
}

double BarButton::naturalWidth() const
{
    const double textWidth = QFontMetricsF(font()).horizontalAdvance(text());
    if (!badge_) return height();
    return textWidth + (glyph_ == Glyph::none ? 0 : leadingGlyphSize + leadingGlyphGap);
}

void BarButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = rect();
    if (!badge_) {
        if (glyph_ == Glyph::closeCircle) drawCloseCircle(painter, bounds);
        if (glyph_ == Glyph::openOriginal) drawOpenOriginal(painter, bounds);
        return;
    }

    QPainterPath background;
    background.addRoundedRect(bounds, 7, 7);
    painter.fillPath(background, QColor::fromRgbF(1, 1, 1, 0.16));

    // Glyph and title hug each other, centred together.
    const double textWidth = QFontMetricsF(font()).horizontalAdvance(text());
    const bool hasGlyph = glyph_ != Glyph::none;
    const double content = textWidth + (hasGlyph ? leadingGlyphSize + leadingGlyphGap : 0);
    double x = (bounds.width() - content) / 2;
    if (hasGlyph) {
        const QRectF box(x, (bounds.height() - leadingGlyphSize) / 2, leadingGlyphSize, leadingGlyphSize);
        if (glyph_ == Glyph::opacity) drawOpacity(painter, box);
        if (glyph_ == Glyph::size) drawSize(painter, box);
        x += leadingGlyphSize + leadingGlyphGap;
    }
    painter.setPen(Qt::white);
    painter.drawText(QRectF(x, 0, textWidth + 1, bounds.height()), Qt::AlignLeft | Qt::AlignVCenter, text());
}

}  // namespace views
