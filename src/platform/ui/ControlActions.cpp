#include "platform/ui/ControlActions.h"

#include "platform/ui/ControlNames.h"
#include "platform/ui/Window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPointer>
#include <QScrollArea>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionButton>

namespace ui {

namespace {

// Where in the control a click lands: its centre, but a check box's box, since a wide
// check box takes clicks only on its box and text.
QPointF clickSpot(const QWidget& control)
{
    if (const auto* box = qobject_cast<const QCheckBox*>(&control)) {
        QStyleOptionButton option;
        option.initFrom(box);
        return QRectF(box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box)).center();
    }
    return QPointF(control.width(), control.height()) / 2;
}

}  // namespace

Window* shownWindow(const std::string& name)
{
    for (Window* window : shownNamedWindows())
        if (window->objectName().toStdString() == name) return window;
    return nullptr;
}

QWidget* shownControl(QWidget& window, const std::string& id)
{
    QWidget* found = nullptr;
    forEachControl(window, [&](QWidget& control, const std::string& controlId) {
        if (!found && controlId == id) found = &control;
    });
    return found;
}

core::Point revealForClick(QWidget& control)
{
    // Innermost first, so each outer area then brings the inner one into view.
    for (QWidget* ancestor = control.parentWidget(); ancestor; ancestor = ancestor->parentWidget())
        if (auto* area = qobject_cast<QScrollArea*>(ancestor)) area->ensureWidgetVisible(&control, 0, 0);
    QWidget* window = control.window();
    const QPointF centre = QPointF(control.mapTo(window, QPoint(0, 0))) + clickSpot(control);
    const QPointF global = QPointF(window->geometry().topLeft()) + centre;
    return {global.x(), global.y()};
}

bool dragSlider(QSlider& slider, int value)
{
    if (value < slider.minimum() || value > slider.maximum()) return false;
    // The value's action may rebuild the view and take the slider with it.
    const QPointer<QSlider> held(&slider);
    slider.setSliderDown(true);
    slider.setValue(value);
    if (held) held->setSliderDown(false);
    return true;
}

bool choosePopupItem(QComboBox& popup, int index)
{
    if (index < 0 || index >= popup.count()) return false;
    // The choice's action may rebuild the view and take the pop-up with it.
    const QPointer<QComboBox> held(&popup);
    const QString text = popup.itemText(index);
    popup.setCurrentIndex(index);
    emit popup.activated(index);
    if (held) emit held->textActivated(text);
    return true;
}

}  // namespace ui
