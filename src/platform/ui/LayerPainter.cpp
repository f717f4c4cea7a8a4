#include "platform/ui/LayerPainter.h"

#include "platform/ui/LayerOutline.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>

#include <algorithm>
#include <cmath>

namespace ui {
namespace {

// The widening strokes that soften a shadow's edge.
constexpr int shadowRings = 6;

// From the layer's own coordinates, y down within its bounds, to the superlayer's, y down
// within its height: flip into the layer's y-up space, place it, flip back.
QTransform placement(const Layer& layer, const Layer::Presentation& p, double superlayerHeight)
{
    const QTransform intoYUp(1, 0, 0, -1, 0, p.size.height);
    QTransform place;
    place.translate(p.position.x, p.position.y);
    place.rotateRadians(p.rotation);
    place.scale(p.scale, p.scale);
    place.translate(-layer.anchorPoint.x * p.size.width, -layer.anchorPoint.y * p.size.height);
    const QTransform outOfYUp(1, 0, 0, -1, 0, superlayerHeight);
    return intoYUp * place * outOfYUp;
}

QPainterPath roundedBounds(const Layer& layer, const QRectF& bounds)
{
    QPainterPath path;
    const double radius = std::min(layer.cornerRadius, std::min(bounds.width(), bounds.height()) / 2);
    if (radius > 0)
        path.addRoundedRect(bounds, radius, radius);
    else
        path.addRect(bounds);
    return path;
}

QPen strokePen(const Layer& layer, const QColor& color)
{
    QPen pen(color, layer.lineWidth);
    pen.setCapStyle(layer.roundCaps ? Qt::RoundCap : Qt::FlatCap);
    pen.setJoinStyle(layer.roundJoins ? Qt::RoundJoin : Qt::MiterJoin);
    pen.setMiterLimit(10);
    return pen;
}

// What casts the shadow: a shape's filled area and stroke, or the rounded bounds.
QPainterPath shadowOutline(const Layer& layer, const Layer::Presentation& p, const QRectF& bounds)
{
    if (layer.kind() != Layer::Kind::shape) return roundedBounds(layer, bounds);
    QPainterPath outline;
    if (layer.fillColor.isValid()) outline = outlinePath(p.path, p.size.height);
    if (layer.strokeColor.isValid() && p.strokeEnd > 0 && layer.lineWidth > 0) {
        QPainterPathStroker stroker(strokePen(layer, Qt::black));
        const QPainterPath stroke = stroker.createStroke(outlineStart(p.path, p.strokeEnd, p.size.height));
        // United, not added: windings of opposite sense would cut holes where they overlap.
        outline = outline.isEmpty() ? stroke : outline.united(stroke);
    }
    return outline;
}

void paintShadow(QPainter& painter, const Layer& layer, const Layer::Presentation& p, const QRectF& bounds)
{
    const QPainterPath outline = shadowOutline(layer, p, bounds).translated(layer.shadowOffset.x, -layer.shadowOffset.y);
    if (outline.isEmpty()) return;
    const double alpha = std::clamp(layer.shadowColor.alphaF() * layer.shadowOpacity, 0.0, 1.0);
    QColor color = layer.shadowColor;

    painter.save();
    color.setAlphaF(alpha);
    painter.fillPath(outline, color);
    if (layer.shadowRadius > 0) {
        // Outside the outline only, rings of growing width add up to the full shadow at the
        // edge and fade to nothing a radius away.
        const double reach = layer.shadowRadius;
        QPainterPath outside;
        outside.setFillRule(Qt::OddEvenFill);
        outside.addRect(outline.boundingRect().adjusted(-2 * reach, -2 * reach, 2 * reach, 2 * reach));
        outside.addPath(outline);
        painter.setClipPath(outside, Qt::IntersectClip);
        color.setAlphaF(1 - std::pow(1 - alpha, 1.0 / shadowRings));
        painter.setBrush(Qt::NoBrush);
        for (int ring = 1; ring <= shadowRings; ++ring) {
            QPen pen(color, 2 * reach * ring / shadowRings);
            pen.setJoinStyle(Qt::RoundJoin);
            painter.setPen(pen);
            painter.drawPath(outline);
        }
    }
    painter.restore();
}

void paintGradient(QPainter& painter, const Layer& layer, const QPainterPath& rounded, const QRectF& bounds)
{
    if (layer.colors.empty()) return;
    if (layer.colors.size() == 1) {
        painter.fillPath(rounded, layer.colors.front());
        return;
    }
    QLinearGradient gradient(QPointF(layer.startPoint.x * bounds.width(), (1 - layer.startPoint.y) * bounds.height()),
                             QPointF(layer.endPoint.x * bounds.width(), (1 - layer.endPoint.y) * bounds.height()));
    const double last = static_cast<double>(layer.colors.size() - 1);
    for (std::size_t i = 0; i < layer.colors.size(); ++i) gradient.setColorAt(i / last, layer.colors[i]);
    painter.fillPath(rounded, gradient);
}

void paintShape(QPainter& painter, const Layer& layer, const Layer::Presentation& p)
{
    if (layer.fillColor.isValid()) painter.fillPath(outlinePath(p.path, p.size.height), layer.fillColor);
    if (!layer.strokeColor.isValid() || !(p.strokeEnd > 0) || !(layer.lineWidth > 0)) return;
    painter.setPen(strokePen(layer, layer.strokeColor));
    painter.setBrush(Qt::NoBrush);
    // The whole outline keeps its curves and closed corners; a part is cut from polylines.
    painter.drawPath(p.strokeEnd >= 1 ? outlinePath(p.path, p.size.height)
                                      : outlineStart(p.path, p.strokeEnd, p.size.height));
}

void paintText(QPainter& painter, const Layer& layer, const QRectF& bounds)
{
    if (layer.text.empty()) return;
    painter.setFont(font(layer.font));
    painter.setPen(layer.foregroundColor);
    painter.drawText(bounds, Qt::AlignHCenter | Qt::AlignTop, QString::fromStdString(layer.text));
}

void paintBorder(QPainter& painter, const Layer& layer, const QRectF& bounds)
{
    if (!(layer.borderWidth > 0) || !layer.borderColor.isValid()) return;
    const double half = layer.borderWidth / 2;
    const QRectF inner = bounds.adjusted(half, half, -half, -half);
    if (inner.width() < 0 || inner.height() < 0) return;
    const double radius = std::clamp(layer.cornerRadius - half, 0.0, std::min(inner.width(), inner.height()) / 2);
    painter.setPen(QPen(layer.borderColor, layer.borderWidth));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(inner, radius, radius);
}

}  // namespace

void paintLayer(QPainter& painter, const Layer& layer, double t, double superlayerHeight)
{
    const Layer::Presentation p = layer.presentation(t);
    if (!(p.opacity > 0) || p.scale == 0) return;

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setOpacity(painter.opacity() * std::min(p.opacity, 1.0));
    painter.setTransform(placement(layer, p, superlayerHeight), true);

    const QRectF bounds(0, 0, p.size.width, p.size.height);
    const QPainterPath rounded = roundedBounds(layer, bounds);
    if (layer.shadowOpacity > 0) paintShadow(painter, layer, p, bounds);
    if (layer.masksToBounds) painter.setClipPath(rounded, Qt::IntersectClip);

    if (layer.backgroundColor.isValid()) painter.fillPath(rounded, layer.backgroundColor);
    switch (layer.kind()) {
    case Layer::Kind::plain: break;
    case Layer::Kind::gradient: paintGradient(painter, layer, rounded, bounds); break;
    case Layer::Kind::shape: paintShape(painter, layer, p); break;
    case Layer::Kind::text: paintText(painter, layer, bounds); break;
    }
    for (const auto& sublayer : layer.sublayers()) paintLayer(painter, *sublayer, t, p.size.height);
    // Above the sublayers, as the border is drawn last.
    paintBorder(painter, layer, bounds);
    painter.restore();
}

}  // namespace ui
