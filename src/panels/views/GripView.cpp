#include "panels/views/GripView.h"

#include "foundation/L10n.h"
#include "panels/views/PanelContentView.h"
#include "panels/rules/PanelGeometry.h"
#include "platform/ui/Coordinates.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace views {

GripView::GripView(QWidget* parent) : QWidget(parent) { setToolTip(QString::fromStdString(L10n::t("拖拽缩放"))); }

unsigned GripView::edges() const
{
    using E = panels::ResizeEdges;
    switch (corner) {
    case Corner::bottomRight: return E::bottom | E::right;
    case Corner::bottomLeft: return E::bottom | E::left;
    case Corner::topLeft: return E::top | E::left;
    case Corner::topRight: return E::top | E::right;
    }
    return E::bottom | E::right;
}

void GripView::paintEvent(QPaintEvent*)
{
    // Three diagonal strokes towards the corner; the coordinates are y-up, as the glyph
    // was designed, and flipped here.
    const double w = width(), h = height();
    const auto at = [h](double x, double y) { return QPointF(x, h - y); };
    QPainterPath path;
    for (double k : {4.0, 8.0, 12.0}) {
        switch (corner) {
        case Corner::bottomRight:
            path.moveTo(at(w - k - 2, 2.5));
            path.lineTo(at(w - 2.5, k + 2));
            break;
        case Corner::bottomLeft:
            path.moveTo(at(k + 2, 2.5));
            path.lineTo(at(2.5, k + 2));
            break;
        case Corner::topLeft:
            path.moveTo(at(k + 2, h - 2.5));
            path.lineTo(at(2.5, h - k - 2));
            break;
        case Corner::topRight:
            path.moveTo(at(w - k - 2, h - 2.5));
            path.lineTo(at(w - 2.5, h - k - 2));
            break;
        }
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor::fromRgbF(1, 1, 1, 0.55), 1.2, Qt::SolidLine, Qt::RoundCap));
    painter.drawPath(path);
}

void GripView::mousePressEvent(QMouseEvent* event)
{
    auto* content = dynamic_cast<PanelContentView*>(parentWidget());
    if (!content || event->button() != Qt::LeftButton) return;
    content->startEdgeResize(edges(), ui::screenPoint(event->globalPosition()));
}

void GripView::mouseMoveEvent(QMouseEvent* event)
{
    if (auto* content = dynamic_cast<PanelContentView*>(parentWidget()))
        content->continueEdgeResize(ui::screenPoint(event->globalPosition()));
}

void GripView::mouseReleaseEvent(QMouseEvent* event)
{
    auto* content = dynamic_cast<PanelContentView*>(parentWidget());
    if (content && event->button() == Qt::LeftButton) content->finishEdgeResize();
}

}  // namespace views
