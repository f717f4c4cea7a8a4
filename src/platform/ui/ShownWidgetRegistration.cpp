#include "platform/ui/ShownWidgetRegistration.h"

#include "platform/desktop/Desktop.h"

#include <QEvent>
#include <QWidget>

namespace ui {

ShownWidgetRegistration::ShownWidgetRegistration(QWidget& widget, long level)
    : QObject(&widget), widget_(widget), level_(level)
{
    widget.installEventFilter(this);
}

bool ShownWidgetRegistration::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != &widget_) return false;
    switch (event->type()) {
    case QEvent::Show:
        registration_ = std::make_unique<OwnWindowRegistration>(widget_, desktopState());
        registration_->orderFront();
        break;
    case QEvent::Move:
    case QEvent::Resize:
        if (registration_) registration_->update(desktopState());
        break;
    case QEvent::Hide: registration_.reset(); break;
    default: break;
    }
    return false;
}

desktop::OwnWindowState ShownWidgetRegistration::desktopState() const
{
    const QRect geometry = widget_.geometry();
    desktop::OwnWindowState state;
    state.title = widget_.windowTitle().toStdString();
    state.frame = core::Rect(geometry.x(), geometry.y(), geometry.width(), geometry.height());
    state.level = level_;
    state.visible = true;
    return state;
}

}  // namespace ui
