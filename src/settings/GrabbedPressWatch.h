#pragma once

#include "platform/desktop/Input.h"
#include "platform/dispatch/WhileAlive.h"

#include <functional>
#include <memory>
#include <optional>

namespace settings {

// Presses of a would-be hot key that the window manager or another client grabbed: the
// keyboard made them, yet no key-down came to our windows. Watches while it lives, on
// desktops that tell of every press; elsewhere it never fires. Main thread only.
class GrabbedPressWatch {
public:
    // onGrabbed hears of the first press with command, option or control that brought no
    // key-down here in time; the owner ends the watch when one comes.
    explicit GrabbedPressWatch(std::function<void(const desktop::Event& press)> onGrabbed);
    ~GrabbedPressWatch();
    GrabbedPressWatch(const GrabbedPressWatch&) = delete;
    GrabbedPressWatch& operator=(const GrabbedPressWatch&) = delete;

private:
    void notePress(const desktop::Event& press);

    const std::function<void(const desktop::Event&)> onGrabbed_;
    // The input the monitor was added to: a desktop installed since has another.
    std::weak_ptr<desktop::Input> input_;
    std::optional<desktop::Token> monitor_;
    bool waiting_ = false;
    // Last: the pending checks find the watch gone first.
    dispatch::Lifetime<GrabbedPressWatch> lifetime_{this};
};

}  // namespace settings
