#pragma once

#include "platform/desktop/WindowServer.h"
#include "platform/dispatch/WhileAlive.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

namespace ui {

// Lists one top-level widget with the desktop's window server while it lives: the
// desktop stacks it, draws it from the widget's picture and hands it the events aimed at
// it. Main thread only; the picture may be asked for from any thread.
class OwnWindowRegistration {
public:
    // movedByDesktop: told of a move the desktop made (global frame), which the desktop
    // already knows of, so it is not sent back. destroyedByOther: told when another
    // client destroyed the window system's window the widget still has.
    OwnWindowRegistration(QWidget& widget, const desktop::OwnWindowState& state,
                          std::function<void(const core::Rect&)> movedByDesktop = {},
                          std::function<void()> destroyedByOther = {});
    ~OwnWindowRegistration();
    OwnWindowRegistration(const OwnWindowRegistration&) = delete;
    OwnWindowRegistration& operator=(const OwnWindowRegistration&) = delete;

    desktop::WindowID windowNumber() const { return number_; }
    const desktop::OwnWindowState& state() const { return state_; }
    // Tells the desktop, when anything changed.
    void update(const desktop::OwnWindowState& state);
    // Before the other windows of its level.
    void orderFront();
    // Takes the key presses of the application.
    void makeKey();

private:
    // The server it registered with, even when another desktop is installed meanwhile.
    std::shared_ptr<desktop::WindowServer> server_;
    QPointer<QWidget> widget_;
    desktop::OwnWindowState state_;
    std::function<void(const core::Rect&)> movedByDesktop_;
    std::function<void()> destroyedByOther_;
    // The desktop's callbacks, which may come after the registration ended, go through this.
    dispatch::Lifetime<OwnWindowRegistration> lifetime_{this};
    desktop::WindowID number_ = 0;
};

}  // namespace ui
