#pragma once

#include <QPointF>
#include <QPointer>
#include <QWidget>

namespace desktop {
struct Event;
}

namespace ui {

// Hands the desktop's events aimed at one top-level widget to the Qt widget they are
// for, as Qt's own event loop would: mouse events to the deepest child under the point
// (the pressed one keeps the mouse until its button comes up), hover enters and leaves,
// wheel events under the point, keys to the focused child. Main thread only.
class EventDelivery {
public:
    explicit EventDelivery(QWidget& window) : window_(&window) {}

    void deliver(const desktop::Event& event);

private:
    void deliverMouse(const desktop::Event& event);
    void deliverWheel(const desktop::Event& event);
    void deliverKey(const desktop::Event& event);
    void closePopupsElsewhere();
    void giveClickFocus(QWidget* pressed);
    // The deepest child under the window-local point; none outside the window.
    QWidget* widgetAt(QPointF local) const;
    QPointF localPoint(const desktop::Event& event) const;
    void updateHover(QWidget* under, QPointF global);

    QPointer<QWidget> window_;
    QPointer<QWidget> mouseGrabber_;
    QPointer<QWidget> hovered_;
    Qt::MouseButtons buttons_;
};

}  // namespace ui
