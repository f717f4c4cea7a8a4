#include "platform/ui/Symbols.h"

#include <QPainter>

namespace ui {

void drawSymbol(QPainter& painter, const std::string&, const QRectF& box, const QColor& color)
{
    painter.setPen(color);
    painter.drawRoundedRect(box.adjusted(1, 1, -1, -1), 3, 3);
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
