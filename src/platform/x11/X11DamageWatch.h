#pragma once

#include "platform/x11/X11Connection.h"

#include <xcb/damage.h>

#include <atomic>
#include <functional>
#include <memory>

namespace x11 {

// Whether a drawable changed since it was last asked, from the server's Damage reports:
// a picture is read again only after one. It counts as changed when it starts. onChange,
// when given, hears of each first change after an ask, on the event thread.
class DamageWatch {
public:
    DamageWatch(std::shared_ptr<Connection> connection, xcb_drawable_t drawable, std::function<void()> onChange = {});
    ~DamageWatch();
    DamageWatch(const DamageWatch&) = delete;
    DamageWatch& operator=(const DamageWatch&) = delete;

    // Answers whether it changed and starts watching for the next change.
    bool takeChange();

private:
    const std::shared_ptr<Connection> connection_;
    const xcb_damage_damage_t damage_;
    // Set on the event thread.
    const std::shared_ptr<std::atomic<bool>> changed_;
    Connection::HandlerToken handler_ = 0;
};

}  // namespace x11
