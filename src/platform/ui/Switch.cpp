#include "platform/ui/Switch.h"

#include <QPainter>

namespace ui {

Switch::Switch(QWidget* parent) : QAbstractButton(parent) { setCheckable(true); }

QSize Switch::sizeHint() const { return {40, 26}; }

void Switch::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace ui
