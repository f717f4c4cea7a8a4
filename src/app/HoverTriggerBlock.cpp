#include "app/HoverTriggerBlock.h"

#include "platform/desktop/WindowServer.h"
#include "platform/ui/Coordinates.h"
#include "platform/ui/Translucency.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace app {

namespace {

QColor qtColour(const HoverTriggerRgba& c) { return QColor::fromRgbF(c.red, c.green, c.blue, c.alpha); }

constexpr double cornerRadius = 10;
constexpr double glyphRadius = 3;
// The glyph sits 8 from the right edge and 10 below the top edge (top-left coordinates).
const QRectF glyphRect{54, 10, 22, 16};

}  // namespace

HoverOverlayBackground::HoverOverlayBackground(QWidget* parent)
    : QWidget(parent), colours_(hoverTriggerColours(HoverTriggerTheme::gradient))
{
    resize(static_cast<int>(size.width), static_cast<int>(size.height));
}

void HoverOverlayBackground::setColours(const HoverTriggerColours& colours)
{
    colours_ = colours;
    update();
}

void HoverOverlayBackground::setBeneath(QPixmap picture)
{
    beneath_ = std::move(picture);
    update();
}

void HoverOverlayBackground::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = QRectF(rect());
    if (!beneath_.isNull()) painter.drawPixmap(bounds, beneath_, QRectF(beneath_.rect()));
    QPainterPath shape;
    shape.addRoundedRect(bounds, cornerRadius, cornerRadius);

    QLinearGradient gradient(bounds.topLeft(), bounds.bottomLeft());
    gradient.setColorAt(0, qtColour(colours_.top));
    gradient.setColorAt(1, qtColour(colours_.bottom));
    painter.fillPath(shape, gradient);

    painter.setPen(QPen(QColor::fromRgbF(1, 1, 1, 0.18), 1));
    painter.drawRoundedRect(bounds.adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius, cornerRadius);

    painter.setPen(Qt::NoPen);
    painter.setBrush(qtColour(colours_.glyph));
    painter.drawRoundedRect(glyphRect, glyphRadius, glyphRadius);
}

void HoverOverlayBackground::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) return;
    if (event->modifiers().testFlag(Qt::AltModifier)) {
        pressed_ = false;
        if (onOptionDrag) onOptionDrag();
        return;
    }
    pressed_ = true;
}

void HoverOverlayBackground::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !pressed_) return;
    pressed_ = false;
    if (rect().contains(event->position().toPoint()) && onClick) onClick();
}

HoverTriggerBlock::HoverTriggerBlock()
    : ui::Window({0, 0, HoverOverlayBackground::size.width, HoverOverlayBackground::size.height}, Style::overlay,
                 desktop::level::floating),
      background_(new HoverOverlayBackground)
{
    setContentView(background_);
    applyTheme();
}

void HoverTriggerBlock::applyTheme() { background_->setColours(hoverTriggerColours(currentHoverTriggerTheme())); }

void HoverTriggerBlock::showAt(const core::Rect& frame)
{
    setFrameOrigin(frame.origin);
    background_->setBeneath(ui::pictureBeneath(ui::qtGeometry(this->frame())));
    setAlphaValue(0);
    orderFrontRegardless();
    animateAlpha(1, 0.18);
}

void HoverTriggerBlock::fadeOut(std::function<bool()> stillHidden)
{
    QPointer<HoverTriggerBlock> self(this);
    animateAlpha(0, 0.3, [self, stillHidden = std::move(stillHidden)] {
        if (self && stillHidden()) self->orderOut();
    });
}

}  // namespace app
