#include "panels/selector/SelectorView.h"

#include "panels/views/PanelFonts.h"
#include "platform/ui/Coordinates.h"
#include "platform/ui/Translucency.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

namespace selector {

namespace {

constexpr double labelFontSize = 12.5;

QColor black(double alpha) { return QColor::fromRgbF(0, 0, 0, static_cast<float>(alpha)); }
QColor white(double alpha) { return QColor::fromRgbF(1, 1, 1, static_cast<float>(alpha)); }

}  // namespace

SelectorView::SelectorView(const ui::Screen& screen, QWidget* parent) : QWidget(parent), hostScreen(screen)
{
    resize(static_cast<int>(screen.frame.width()), static_cast<int>(screen.frame.height()));
    setAttribute(Qt::WA_TranslucentBackground);
    setCursor(Qt::CrossCursor);
    // Taken before the overlay is shown, so that the picture is of what it covers.
    beneath_ = ui::pictureBeneath(ui::qtGeometry(screen.frame));
}

QRectF SelectorView::toView(const core::Rect& screenRect) const
{
    const core::Point origin = hostScreen ? hostScreen->frame.origin : core::Point{};
    const core::Rect r = screenRect.standardized();
    const double bottom = r.y() - origin.y;
    return {r.x() - origin.x, height() - bottom - r.height(), r.width(), r.height()};
}

void SelectorView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = rect();
    const bool hasSelection = !selection.isEmpty();
    if (!beneath_.isNull()) painter.drawPixmap(bounds, beneath_, QRectF(beneath_.rect()));

    QPainterPath dimming;
    dimming.setFillRule(Qt::OddEvenFill);
    dimming.addRect(bounds);
    if (windowFrame) dimming.addRect(toView(*windowFrame));
    painter.fillPath(dimming, black(0.42));

    if (windowFrame) {
        const QRectF window = toView(*windowFrame);
        QPainterPath light;
        light.setFillRule(Qt::OddEvenFill);
        light.addRect(window);
        if (hasSelection) light.addRect(toView(selection));
        painter.fillPath(light, black(0.16));

        QPen border(white(hasSelection ? 0.35 : 0.75), 1.5);
        // Qt measures dashes in line widths: 6 on, 4 off in points.
        border.setDashPattern({6 / 1.5, 4 / 1.5});
        border.setDashOffset(0);
        painter.setPen(border);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(window.adjusted(0.5, 0.5, -0.5, -0.5));
    }

    if (hasSelection) {
        const QRectF sel = toView(selection);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(black(0.45), 3));
        painter.drawRect(sel);
        painter.setPen(QPen(Qt::white, 1.5));
        painter.drawRect(sel);
        if (selection.width() > 88 && selection.height() > 40) {
            const QString size =
                QString("%1 × %2").arg(static_cast<int>(selection.width())).arg(static_cast<int>(selection.height()));
            drawLabel(painter, size, {selection.minX() + 46, selection.maxY() - 28}, Qt::white);
        }
    }

    // Anchors of the hint and the error, from the top of the screen.
    if (showHint && !hintText.empty()) drawLabel(painter, QString::fromStdString(hintText), topAnchor(84), Qt::white);
    if (showHint && errorText)
        drawLabel(painter, QString::fromStdString(*errorText), topAnchor(124), QColor(255, 59, 48));
}

core::Point SelectorView::topAnchor(double belowTop) const
{
    const core::Point origin = hostScreen ? hostScreen->frame.origin : core::Point{};
    return {origin.x + width() / 2.0, origin.y + height() - belowTop};
}

// Centred on the anchor (screen coordinates), the box's bottom edge on it.
void SelectorView::drawLabel(QPainter& painter, const QString& text, core::Point anchor, const QColor& color) const
{
    // One point is one logical pixel here; pixel sizes are whole, point sizes need not be.
    QFont font = views::systemFont(13, QFont::Medium);
    font.setPointSizeF(labelFontSize * 72.0 / logicalDpiY());
    const QSizeF textSize = QFontMetricsF(font).size(Qt::TextSingleLine, text);
    const core::Rect box(anchor.x - textSize.width() / 2 - 10, anchor.y, textSize.width() + 20, textSize.height() + 10);
    const QRectF boxInView = toView(box);
    QPainterPath rounded;
    rounded.addRoundedRect(boxInView, 7, 7);
    painter.fillPath(rounded, black(0.66));
    painter.setFont(font);
    painter.setPen(color);
    painter.drawText(boxInView.adjusted(10, 5, -10, -5), Qt::AlignLeft | Qt::AlignVCenter, text);
}

}  // namespace selector
