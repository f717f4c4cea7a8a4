#include "platform/x11/X11DamageWatch.h"

namespace x11 {

DamageWatch::DamageWatch(std::shared_ptr<Connection> connection, xcb_drawable_t drawable, std::function<void()> onChange)
    : connection_(std::move(connection)),
      damage_(xcb_generate_id(connection_->xcb())),
      changed_(std::make_shared<std::atomic<bool>>(true))
{
    const std::uint8_t notify = connection_->events().damage + XCB_DAMAGE_NOTIFY;
    handler_ = connection_->addEventHandler([notify, damage = damage_, changed = changed_,
                                             onChange = std::move(onChange)](const xcb_generic_event_t& event) {
        if ((event.response_type & 0x7f) != notify) return;
        if (reinterpret_cast<const xcb_damage_notify_event_t&>(event).damage != damage) return;
        if (!changed->exchange(true) && onChange) onChange();
    });
    // One report until the damage is subtracted: no stream of events while a client
    // repaints faster than frames go out.
    xcb_damage_create(connection_->xcb(), damage_, drawable, XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
    connection_->flush();
}

DamageWatch::~DamageWatch()
{
    connection_->removeEventHandler(handler_);
    xcb_damage_destroy(connection_->xcb(), damage_);
    connection_->flush();
}

bool DamageWatch::takeChange()
{
    if (!changed_->exchange(false)) return false;
    xcb_damage_subtract(connection_->xcb(), damage_, XCB_NONE, XCB_NONE);
    connection_->flush();
    return true;
}

}  // namespace x11
