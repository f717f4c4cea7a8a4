#include "platform/ui/Switch.h"

#include "platform/ui/SystemColors.h"

#include <QPainter>

#include <algorithm>

namespace ui {

Switch::Switch(QWidget* parent) : QAbstractButton(parent) { setCheckable(true); }

QSize Switch::sizeHint() const { return {40, 26}; }

void Switch::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled()) painter.setOpacity(0.5);

    // A 38 x 22 capsule in the natural size, centred in a larger one.
    const double trackHeight = std::min(22.0, height() - 2.0);
    const double trackWidth = std::min(width() - 2.0, trackHeight * 38 / 22);
    const QRectF track((width() - trackWidth) / 2, (height() - trackHeight) / 2, trackWidth, trackHeight);
    const double radius = trackHeight / 2;
    painter.setPen(Qt::NoPen);
    painter.setBrush(isChecked() ? systemColor("controlAccent") : QColor(0, 0, 0, 36));
    painter.drawRoundedRect(track, radius, radius);

    const double inset = 2;
    const double knob = trackHeight - 2 * inset;
    const double x = isChecked() ? track.right() - inset - knob : track.left() + inset;
    painter.setPen(QPen(QColor(0, 0, 0, 40), 0.5));
    painter.setBrush(isDown() ? QColor(242, 242, 242) : QColor(255, 255, 255));
    painter.drawEllipse(QRectF(x, track.top() + inset, knob, knob));
}

}  // namespace ui
