#include "platform/ui/LayerOutline.h"

#include <QPolygonF>

#include <cmath>
#include <numbers>
#include <vector>

namespace ui {
namespace {

// Enough that a flattened ellipse strokes as smoothly as a curve at twice the scale.
constexpr int ellipseSteps = 96;

QPointF inPainterSpace(core::Point p, double height) { return {p.x, height - p.y}; }

struct Polyline {
    std::vector<QPointF> points;
};

std::vector<Polyline> polylines(const LayerPath& path, double height)
{
    std::vector<Polyline> result;
    for (const auto& subpath : path.subpaths) {
        Polyline line;
        for (const auto& p : subpath.points) line.points.push_back(inPainterSpace(p, height));
        if (subpath.closed && !line.points.empty()) line.points.push_back(line.points.front());
        result.push_back(std::move(line));
    }
    for (const auto& rect : path.ellipses) {
        Polyline line;
        const double cx = rect.midX();
        const double cy = rect.midY();
        for (int i = 0; i <= ellipseSteps; ++i) {
            const double angle = 2 * std::numbers::pi * i / ellipseSteps;
            line.points.push_back(inPainterSpace(
                {cx + rect.width() / 2 * std::cos(angle), cy + rect.height() / 2 * std::sin(angle)}, height));
        }
        result.push_back(std::move(line));
    }
    return result;
}

double length(const Polyline& line)
{
    double total = 0;
    for (std::size_t i = 1; i < line.points.size(); ++i) {
        const QPointF d = line.points[i] - line.points[i - 1];
        total += std::hypot(d.x(), d.y());
    }
    return total;
}

}  // namespace

QPainterPath outlinePath(const LayerPath& path, double height)
{
    QPainterPath result;
    result.setFillRule(Qt::WindingFill);
    for (const auto& subpath : path.subpaths) {
        if (subpath.points.empty()) continue;
        result.moveTo(inPainterSpace(subpath.points.front(), height));
        for (std::size_t i = 1; i < subpath.points.size(); ++i)
            result.lineTo(inPainterSpace(subpath.points[i], height));
        if (subpath.closed) result.closeSubpath();
    }
    for (const auto& rect : path.ellipses) {
        const core::Rect r = rect.standardized();
        result.addEllipse(QRectF(r.x(), height - r.maxY(), r.width(), r.height()));
    }
    return result;
}

QPainterPath outlineStart(const LayerPath& path, double fraction, double height)
{
    QPainterPath result;
    if (!(fraction > 0)) return result;
    const std::vector<Polyline> lines = polylines(path, height);
    double total = 0;
    for (const auto& line : lines) total += length(line);
    double remaining = std::min(fraction, 1.0) * total;

    for (const auto& line : lines) {
        if (line.points.empty() || remaining <= 0) break;
        result.moveTo(line.points.front());
        for (std::size_t i = 1; i < line.points.size() && remaining > 0; ++i) {
            const QPointF from = line.points[i - 1];
            const QPointF d = line.points[i] - from;
            const double step = std::hypot(d.x(), d.y());
            if (step <= remaining) {
                result.lineTo(line.points[i]);
            } else {
                result.lineTo(from + d * (remaining / step));
            }
            remaining -= step;
        }
    }
    return result;
}

}  // namespace ui
