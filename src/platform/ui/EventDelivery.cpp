#include "platform/ui/EventDelivery.h"

#include "platform/desktop/Input.h"
#include "platform/ui/KeyMapping.h"

#include <QApplication>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <vector>

namespace ui {
namespace {

using desktop::EventType;

QPointF qtPoint(core::Point p) { return QPointF(p.x, p.y); }

// The widget and its ancestors up to its window, innermost first.
std::vector<QPointer<QWidget>> ancestry(QWidget* widget)
{
    std::vector<QPointer<QWidget>> chain;
    for (QWidget* w = widget; w; w = w->isWindow() ? nullptr : w->parentWidget()) chain.emplace_back(w);
    return chain;
}

bool holds(const std::vector<QPointer<QWidget>>& chain, const QWidget* widget)
{
    return std::any_of(chain.begin(), chain.end(), [&](const QPointer<QWidget>& w) { return w == widget; });
}

Qt::MouseButton buttonOf(EventType type)
{
    switch (type) {
    case EventType::leftMouseDown:
    case EventType::leftMouseUp:
    case EventType::leftMouseDragged: return Qt::LeftButton;
    case EventType::rightMouseDown:
    case EventType::rightMouseUp:
    case EventType::rightMouseDragged: return Qt::RightButton;
    default: return Qt::NoButton;
    }
}

}  // namespace

void EventDelivery::deliver(const desktop::Event& event)
{
    if (!window_) return;
    switch (event.type) {
    case EventType::scrollWheel: deliverWheel(event); return;
    case EventType::keyDown:
    case EventType::keyUp:
    case EventType::flagsChanged: deliverKey(event); return;
    default: deliverMouse(event); return;
    }
}

QPointF EventDelivery::localPoint(const desktop::Event& event) const
{
    return qtPoint(event.location) - QPointF(window_->geometry().topLeft());
}

QWidget* EventDelivery::widgetAt(QPointF local) const
{
    if (!window_->rect().contains(
            QPoint(static_cast<int>(std::floor(local.x())), static_cast<int>(std::floor(local.y())))))
        return nullptr;
    QWidget* child = window_->childAt(local.toPoint());
    return child ? child : window_.data();
}

void EventDelivery::deliverMouse(const desktop::Event& event)
{
    const QPointF global = qtPoint(event.location);
    const QPointF local = localPoint(event);
    const Qt::MouseButton button = buttonOf(event.type);
    const Qt::KeyboardModifiers modifiers = qtModifiers(event.modifierFlags);

    const bool press = event.type == EventType::leftMouseDown || event.type == EventType::rightMouseDown;
    if (press) closePopupsElsewhere();
    // The hover stays while a button is held. A press updates it too, as posted clicks
    // come without a move before them.
    if (window_ && !mouseGrabber_) updateHover(widgetAt(local), global);
    if (!window_) return;

    QEvent::Type type = QEvent::MouseMove;
    switch (event.type) {
    case EventType::leftMouseDown:
    case EventType::rightMouseDown:
        // Qt reports the second press of a double click as the double click itself.
        type =
            event.clickState >= 2 && event.clickState % 2 == 0 ? QEvent::MouseButtonDblClick : QEvent::MouseButtonPress;
        if (buttons_ == Qt::NoButton) {
            mouseGrabber_ = widgetAt(local);
            giveClickFocus(mouseGrabber_);
        }
        buttons_ |= button;
        break;
    case EventType::leftMouseUp:
    case EventType::rightMouseUp:
        type = QEvent::MouseButtonRelease;
        buttons_ &= ~Qt::MouseButtons(button);
        break;
    default:
        buttons_ |= button;  // a drag implies its button is down
        break;
    }

    QPointer<QWidget> target = mouseGrabber_ ? mouseGrabber_.data() : widgetAt(local);
    if (target && window_) {
        const QPointF targetPoint = target->mapFrom(window_.data(), local);
        QMouseEvent qtEvent(type, targetPoint, local, global, type == QEvent::MouseMove ? Qt::NoButton : button,
                            buttons_, modifiers);
        QApplication::sendEvent(target, &qtEvent);
    }

    if (type == QEvent::MouseButtonRelease && buttons_ == Qt::NoButton) {
        mouseGrabber_ = nullptr;
        if (window_) updateHover(widgetAt(localPoint(event)), global);
    }
}

void EventDelivery::giveClickFocus(QWidget* pressed)
{
    // Qt does this only for events from the window system, which these are not.
    for (QWidget* w = pressed; w; w = w->parentWidget()) {
        if (w->isEnabled() && (w->focusPolicy() & Qt::ClickFocus)) {
            w->setFocus(Qt::MouseFocusReason);
            return;
        }
        if (w->isWindow()) return;
    }
}

void EventDelivery::closePopupsElsewhere()
{
    // A press outside an open menu closes it, and the press still counts.
    while (QWidget* popup = QApplication::activePopupWidget()) {
        if (popup == window_) return;
        popup->close();
        if (QApplication::activePopupWidget() == popup) return;
    }
}

void EventDelivery::deliverWheel(const desktop::Event& event)
{
    const QPointF local = localPoint(event);
    QPointer<QWidget> target = widgetAt(local);
    if (!target) return;
    // One step of the platform's scroll wheel is one notch, 120 in Qt's units.
    const QPoint angle(static_cast<int>(std::lround(event.scrollDeltaX * 120)),
                       static_cast<int>(std::lround(event.scrollDeltaY * 120)));
    QWheelEvent qtEvent(target->mapFrom(window_.data(), local), qtPoint(event.location), QPoint(), angle, buttons_,
                        qtModifiers(event.modifierFlags), Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &qtEvent);
}

void EventDelivery::deliverKey(const desktop::Event& event)
{
    QWidget* focus = QApplication::focusWidget();
    if (!focus || focus->window() != window_) focus = window_->focusWidget();
    QPointer<QWidget> target = focus ? focus : window_.data();

    const Qt::Key key = qtKey(event.keyCode);
    bool press = event.type == EventType::keyDown;
    if (event.type == EventType::flagsChanged) {
        if (key == Qt::Key_unknown) return;  // a modifier Qt has no key for (fn)
        // A modifier key went down when its flag is now set.
        const Qt::KeyboardModifiers now = qtModifiers(event.modifierFlags);
        press = (key == Qt::Key_Shift && now.testFlag(Qt::ShiftModifier)) ||
                (key == Qt::Key_Control && now.testFlag(Qt::ControlModifier)) ||
                (key == Qt::Key_Meta && now.testFlag(Qt::MetaModifier)) ||
                (key == Qt::Key_Alt && now.testFlag(Qt::AltModifier));
    }
    QKeyEvent qtEvent(press ? QEvent::KeyPress : QEvent::KeyRelease, key, qtModifiers(event.modifierFlags),
                      keyText(event.keyCode, event.modifierFlags));
    QApplication::sendEvent(target, &qtEvent);
}

void EventDelivery::updateHover(QWidget* under, QPointF global)
{
    if (under == hovered_) return;
    const auto left = ancestry(hovered_);
    const auto entered = ancestry(under);
    hovered_ = under;

    for (const auto& widget : left) {
        if (!widget || holds(entered, widget)) continue;
        widget->setAttribute(Qt::WA_UnderMouse, false);
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(widget, &leave);
    }
    for (auto it = entered.rbegin(); it != entered.rend(); ++it) {
        QWidget* widget = *it;
        if (!window_) return;  // a leave handler closed it
        if (!widget || holds(left, widget)) continue;
        widget->setAttribute(Qt::WA_UnderMouse, true);
        const QPointF inWindow = global - QPointF(window_->geometry().topLeft());
        QEnterEvent enter(widget->mapFrom(window_.data(), inWindow), inWindow, global);
        QApplication::sendEvent(widget, &enter);
    }
}

}  // namespace ui
