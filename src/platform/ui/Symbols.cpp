#include "platform/ui/Symbols.h"

#include <QPainter>
#include <QPainterPath>

#include <array>
#include <cmath>
#include <initializer_list>
#include <numbers>
#include <string_view>

namespace ui {
namespace {

// Each symbol is drawn on a 24 x 24 grid: lines stroked, small solid parts filled.
constexpr double grid = 24;
constexpr double strokeWidth = 1.6;

struct Drawing {
    QPainterPath stroke;
    QPainterPath fill;
};

void line(QPainterPath& p, double x1, double y1, double x2, double y2)
{
    p.moveTo(x1, y1);
    p.lineTo(x2, y2);
}

void polyline(QPainterPath& p, std::initializer_list<QPointF> points, bool closed = false)
{
    auto it = points.begin();
    p.moveTo(*it);
    for (++it; it != points.end(); ++it) p.lineTo(*it);
    if (closed) p.closeSubpath();
}

void circle(QPainterPath& p, double cx, double cy, double r) { p.addEllipse(QPointF(cx, cy), r, r); }

void box(QPainterPath& p, double x, double y, double w, double h, double r) { p.addRoundedRect(x, y, w, h, r, r); }

// An arc about (cx, cy), angles in degrees counter-clockwise from three o'clock.
void arc(QPainterPath& p, double cx, double cy, double r, double start, double sweep)
{
    const QRectF bounds(cx - r, cy - r, 2 * r, 2 * r);
    p.arcMoveTo(bounds, start);
    p.arcTo(bounds, start, sweep);
}

void ring(Drawing& d) { circle(d.stroke, 12, 12, 9); }

void eye(Drawing& d)
{
    d.stroke.moveTo(2, 12);
    d.stroke.quadTo(12, 3, 22, 12);
    d.stroke.quadTo(12, 21, 2, 12);
    circle(d.stroke, 12, 12, 3.5);
    circle(d.fill, 12, 12, 1.5);
}

void arrowCursor(Drawing& d)
{
    polyline(d.stroke, {{9, 8}, {9, 21}, {12, 18}, {14.5, 22.5}, {16.5, 21.5}, {14, 17}, {18, 17}}, true);
}

void viewfinderCorners(Drawing& d)
{
    polyline(d.stroke, {{3, 8}, {3, 3}, {8, 3}});
    polyline(d.stroke, {{16, 3}, {21, 3}, {21, 8}});
    polyline(d.stroke, {{21, 16}, {21, 21}, {16, 21}});
    polyline(d.stroke, {{8, 21}, {3, 21}, {3, 16}});
}

void gear(Drawing& d)
{
    QPolygonF outline;
    for (int tooth = 0; tooth < 8; ++tooth) {
        const double at = tooth * 45.0;
        for (const auto& [radius, offset] : {std::pair{7.6, -16.0}, {10.0, -8.0}, {10.0, 8.0}, {7.6, 16.0}}) {
            const double a = (at + offset) * std::numbers::pi / 180;
            outline << QPointF(12 + radius * std::cos(a), 12 + radius * std::sin(a));
        }
    }
    d.stroke.addPolygon(outline);
    d.stroke.closeSubpath();
    circle(d.stroke, 12, 12, 3);
}

void keyboard(Drawing& d)
{
    box(d.stroke, 2, 6, 20, 12, 2);
    for (double y : {9.5, 12.5})
        for (double x : {5.5, 8.8, 12.1, 15.4, 18.5}) line(d.stroke, x, y, x + 0.1, y);
    line(d.stroke, 8, 15.3, 16, 15.3);
}

void display(Drawing& d)
{
    box(d.stroke, 2, 4, 20, 13, 1.5);
    line(d.stroke, 12, 17, 12, 20);
    line(d.stroke, 8, 20, 16, 20);
}

void palette(Drawing& d)
{
    d.stroke.moveTo(12, 3);
    d.stroke.cubicTo(5, 3, 2, 8, 3, 13);
    d.stroke.cubicTo(4, 19, 9, 21.5, 13, 21);
    d.stroke.cubicTo(15.5, 20.7, 15, 18, 14, 17);
    d.stroke.cubicTo(13, 15.5, 14.5, 14, 16.5, 14.5);
    d.stroke.cubicTo(19.5, 15.2, 21.5, 13.5, 21, 10);
    d.stroke.cubicTo(20.3, 5.5, 16.5, 3, 12, 3);
    for (const auto& [x, y] : {std::pair{7.5, 12.0}, {8.5, 8.0}, {12.5, 6.5}, {16.5, 8.5}}) circle(d.fill, x, y, 1.3);
}

void globe(Drawing& d)
{
    ring(d);
    d.stroke.addEllipse(QPointF(12, 12), 4, 9);
    line(d.stroke, 3, 12, 21, 12);
    line(d.stroke, 4.2, 7.5, 19.8, 7.5);
    line(d.stroke, 4.2, 16.5, 19.8, 16.5);
}

void info(Drawing& d)
{
    ring(d);
    line(d.stroke, 12, 11, 12, 16.5);
    circle(d.fill, 12, 7.7, 1.1);
}

void power(Drawing& d)
{
    arc(d.stroke, 12, 13, 8, 60, -300);
    line(d.stroke, 12, 3, 12, 11);
}

void macwindow(Drawing& d)
{
    box(d.stroke, 2, 4, 20, 16, 2);
    line(d.stroke, 2, 8.5, 22, 8.5);
    for (double x : {5.0, 7.5, 10.0}) circle(d.fill, x, 6.3, 0.8);
}

void doubleClick(Drawing& d)
{
    arrowCursor(d);
    arc(d.stroke, 9, 8, 3.5, 100, 80);
    arc(d.stroke, 9, 8, 6.5, 100, 80);
    arc(d.stroke, 9, 8, 3.5, -10, 80);
    arc(d.stroke, 9, 8, 6.5, -10, 80);
}

void leftHalfFilled(Drawing& d)
{
    ring(d);
    d.fill.moveTo(12, 3);
    d.fill.arcTo(QRectF(3, 3, 18, 18), 90, 180);
    d.fill.closeSubpath();
}

void threeRectangles(Drawing& d)
{
    box(d.stroke, 2, 4, 9, 7, 1.5);
    box(d.stroke, 13, 4, 9, 7, 1.5);
    box(d.stroke, 2, 13, 20, 7, 1.5);
}

void eyeSlash(Drawing& d)
{
    eye(d);
    line(d.stroke, 4, 3, 20, 21);
}

void timer(Drawing& d)
{
    circle(d.stroke, 12, 13, 8);
    line(d.stroke, 12, 13, 15, 9.5);
    line(d.stroke, 12, 3, 12, 5);
    line(d.stroke, 10, 3, 14, 3);
}

void expand(Drawing& d)
{
    line(d.stroke, 4, 4, 20, 20);
    polyline(d.stroke, {{4, 10}, {4, 4}, {10, 4}});
    polyline(d.stroke, {{14, 20}, {20, 20}, {20, 14}});
}

void cameraViewfinder(Drawing& d)
{
    viewfinderCorners(d);
    box(d.stroke, 7.5, 9.5, 9, 6.5, 1.2);
    polyline(d.stroke, {{10, 9.5}, {10.8, 8.3}, {13.2, 8.3}, {14, 9.5}});
    circle(d.stroke, 12, 12.8, 1.8);
}

void command(Drawing& d)
{
    line(d.stroke, 9, 6.5, 9, 17.5);
    line(d.stroke, 15, 6.5, 15, 17.5);
    line(d.stroke, 6.5, 9, 17.5, 9);
    line(d.stroke, 6.5, 15, 17.5, 15);
    arc(d.stroke, 6.5, 6.5, 2.5, 0, 270);
    arc(d.stroke, 17.5, 6.5, 2.5, 180, -270);
    arc(d.stroke, 6.5, 17.5, 2.5, 0, -270);
    arc(d.stroke, 17.5, 17.5, 2.5, 180, 270);
}

void pause(Drawing& d)
{
    ring(d);
    line(d.stroke, 10, 8.5, 10, 15.5);
    line(d.stroke, 14, 8.5, 14, 15.5);
}

void xmark(Drawing& d)
{
    ring(d);
    line(d.stroke, 9, 9, 15, 15);
    line(d.stroke, 15, 9, 9, 15);
}

void threeColumns(Drawing& d)
{
    box(d.stroke, 2, 5, 20, 14, 2);
    line(d.stroke, 8.7, 5, 8.7, 19);
    line(d.stroke, 15.3, 5, 15.3, 19);
}

void cursorRays(Drawing& d)
{
    arrowCursor(d);
    line(d.stroke, 9, 1.5, 9, 4);
    line(d.stroke, 2.5, 8, 5, 8);
    line(d.stroke, 4.4, 3.4, 6.2, 5.2);
    line(d.stroke, 13.6, 3.4, 11.8, 5.2);
    line(d.stroke, 4.4, 12.6, 6.2, 10.8);
}

void gauge(Drawing& d)
{
    arc(d.stroke, 12, 13, 9, 210, -240);
    line(d.stroke, 12, 13, 16.5, 8.5);
    circle(d.fill, 12, 13, 1.4);
}

void photos(Drawing& d)
{
    polyline(d.stroke, {{5, 7}, {5, 3}, {22, 3}, {22, 16}, {19, 16}});
    box(d.stroke, 2, 7, 17, 13, 1.5);
    polyline(d.stroke, {{4, 18}, {9, 12.5}, {12.5, 16}, {14.5, 14}, {17, 17}});
    circle(d.fill, 14.5, 10.5, 1.3);
}

void handSlash(Drawing& d)
{
    line(d.stroke, 8, 11, 8, 5);
    line(d.stroke, 11, 10, 11, 3);
    line(d.stroke, 14, 10, 14, 3.5);
    line(d.stroke, 17, 11.5, 17, 6);
    d.stroke.moveTo(8, 11);
    d.stroke.lineTo(8, 14);
    d.stroke.lineTo(5.5, 11.5);
    d.stroke.cubicTo(4, 10.5, 3, 12, 4, 13.5);
    d.stroke.cubicTo(6, 17, 8, 21, 13, 21);
    d.stroke.cubicTo(17, 21, 17, 17, 17, 11.5);
    line(d.stroke, 3, 3, 21, 21);
}

void appBadge(Drawing& d)
{
    box(d.stroke, 3, 5, 16, 16, 4);
    circle(d.fill, 18.5, 5.5, 3);
}

void graduationCap(Drawing& d)
{
    polyline(d.stroke, {{12, 4}, {22, 9}, {12, 14}, {2, 9}}, true);
    d.stroke.moveTo(6, 11);
    d.stroke.lineTo(6, 16);
    d.stroke.quadTo(12, 20, 18, 16);
    d.stroke.lineTo(18, 11);
    line(d.stroke, 22, 9, 22, 15);
}

void bubbles(Drawing& d)
{
    box(d.stroke, 2, 3, 13, 9, 3);
    polyline(d.stroke, {{5, 12}, {4, 15}, {8, 12}});
    box(d.stroke, 9, 11, 13, 9, 3);
    polyline(d.stroke, {{19, 20}, {20, 23}, {16, 20}});
}

void clipboard(Drawing& d)
{
    polyline(d.stroke, {{9, 20}, {3, 20}, {3, 4}, {15, 4}, {15, 7}});
    box(d.stroke, 6, 2.5, 6, 3, 1);
    box(d.stroke, 10, 9, 11, 13, 1.2);
    line(d.stroke, 12.5, 13, 18.5, 13);
    line(d.stroke, 12.5, 16, 18.5, 16);
    line(d.stroke, 12.5, 19, 16.5, 19);
}

void handTap(Drawing& d)
{
    arc(d.stroke, 9, 6.5, 4, 0, 180);
    d.stroke.moveTo(9, 6.5);
    d.stroke.lineTo(9, 15);
    d.stroke.lineTo(6.5, 12.5);
    d.stroke.cubicTo(5, 11.5, 4, 13, 5, 14.5);
    d.stroke.cubicTo(7, 18, 9, 21, 13.5, 21);
    d.stroke.cubicTo(18, 21, 19, 18, 19, 15);
    d.stroke.lineTo(19, 11.5);
    d.stroke.cubicTo(19, 9.5, 16, 9.5, 16, 11.5);
    d.stroke.moveTo(16, 12);
    d.stroke.lineTo(16, 10.5);
    d.stroke.cubicTo(16, 8.5, 12.5, 8.5, 12.5, 10.5);
    d.stroke.lineTo(12.5, 12);
    d.stroke.moveTo(12.5, 11);
    d.stroke.cubicTo(12.5, 9, 9, 9, 9, 11);
}

void cameraOnRectangle(Drawing& d)
{
    box(d.stroke, 2, 4, 20, 16, 3);
    box(d.stroke, 6, 9.5, 8, 5.5, 1.2);
    polyline(d.stroke, {{14, 11}, {17.5, 9}, {17.5, 15.5}, {14, 13.5}}, true);
}

struct Symbol {
    std::string_view name;
    void (*draw)(Drawing&);
};

const std::array<Symbol, 31> symbols = {{
    {"gearshape", gear},
    {"keyboard", keyboard},
    {"display", display},
    {"paintpalette", palette},
    {"globe", globe},
    {"info.circle", info},
    {"power", power},
    {"macwindow", macwindow},
    {"cursorarrow.click.2", doubleClick},
    {"circle.lefthalf.filled", leftHalfFilled},
    {"rectangle.3.group", threeRectangles},
    {"eye", eye},
    {"timer", timer},
    {"arrow.up.left.and.arrow.down.right", expand},
    {"camera.viewfinder", cameraViewfinder},
    {"viewfinder", viewfinderCorners},
    {"command", command},
    {"eye.slash", eyeSlash},
    {"pause.circle", pause},
    {"xmark.circle", xmark},
    {"rectangle.split.3x1", threeColumns},
    {"cursorarrow.rays", cursorRays},
    {"gauge", gauge},
    {"photo.on.rectangle", photos},
    {"hand.raised.slash", handSlash},
    {"app.badge", appBadge},
    {"graduationcap", graduationCap},
    {"bubble.left.and.bubble.right", bubbles},
    {"doc.on.clipboard", clipboard},
    {"hand.tap", handTap},
    {"camera.on.rectangle", cameraOnRectangle},
}};

Drawing drawingOf(const std::string& name)
{
    Drawing drawing;
    for (const auto& symbol : symbols)
        if (symbol.name == name) {
            symbol.draw(drawing);
            return drawing;
        }
    box(drawing.stroke, 3, 3, 18, 18, 4);
    return drawing;
}

}  // namespace

void drawSymbol(QPainter& painter, const std::string& name, const QRectF& box, const QColor& color)
{
    const Drawing drawing = drawingOf(name);
    const double scale = std::min(box.width(), box.height()) / grid;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(box.center().x() - grid * scale / 2, box.center().y() - grid * scale / 2);
    painter.scale(scale, scale);
    painter.strokePath(drawing.stroke, QPen(color, strokeWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.fillPath(drawing.fill, color);
    painter.restore();
}

SymbolView::SymbolView(std::string symbol, QColor tint, QWidget* parent)
    : QWidget(parent), symbol_(std::move(symbol)), tint_(tint)
{
}

void SymbolView::setTint(const QColor& tint)
{
    tint_ = tint;
    update();
}

void SymbolView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    drawSymbol(painter, symbol_, QRectF(rect()), tint_);
}

}  // namespace ui
