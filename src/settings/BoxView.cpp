#include "settings/BoxView.h"

#include <QPainter>
#include <QPainterPath>

BoxView::BoxView(QColor fill, double cornerRadius, QWidget* parent)
    : QWidget(parent), fill_(fill), cornerRadius_(cornerRadius)
{
}

void BoxView::setBorder(const QColor& color, double width)
{
    borderColor_ = color;
    borderWidth_ = width;
    update();
}

void BoxView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // The border lies inside the bounds, as a layer draws it.
    const double inset = borderWidth_ / 2;
    const QRectF box = QRectF(rect()).adjusted(inset, inset, -inset, -inset);
    QPainterPath path;
    path.addRoundedRect(box, cornerRadius_, cornerRadius_);
    painter.fillPath(path, fill_);
    if (borderWidth_ > 0) painter.strokePath(path, QPen(borderColor_, borderWidth_));
}
