#include "platform/x11/X11ButtonFreeCorners.h"

#include "platform/desktop/GlobalSpace.h"
#include "platform/x11/X11EventMask.h"
#include "platform/x11/X11FrameGeometry.h"

#include <xcb/randr.h>

namespace x11 {

ButtonFreeCorners::ButtonFreeCorners(std::shared_ptr<Connection> connection)
    : connection_(std::move(connection)),
      frameExtentsAtom_(connection_->atom("_NET_FRAME_EXTENTS")),
      gtkFrameExtentsAtom_(connection_->atom("_GTK_FRAME_EXTENTS")),
      motifHintsAtom_(connection_->atom("_MOTIF_WM_HINTS"))
{
    handler_ = connection_->addEventHandler([this](const xcb_generic_event_t& event) { onEvent(event); });
}

ButtonFreeCorners::~ButtonFreeCorners() { connection_->removeEventHandler(handler_); }

desktop::CornerInset ButtonFreeCorners::read(Connection& connection, xcb_window_t client)
{
    // Enough for GTK's title bars and header bars, which keep their buttons inside.
    constexpr double ownTitleBarHeight = 48;
    // Heard before the read, so that no change slips in between.
    addEventMask(connection, client, XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY);
    const auto frame = framePixels(connection, client);
    if (!frame || frame->width() <= 0) return {};
    const ButtonClearance clearance = buttonClearance(connection, client);
    const double pointsPerPixel = desktop::globalSpace().toGlobal(*frame).width() / frame->width();
    return {clearance.top * pointsPerPixel + (clearance.ownTitleBar ? ownTitleBarHeight : 0),
            clearance.right * pointsPerPixel};
}

desktop::CornerInset ButtonFreeCorners::of(xcb_window_t client)
{
    {
        std::lock_guard lock(mutex_);
        if (const auto found = known_.find(client); found != known_.end()) return found->second;
        reading_[client] = false;
    }
    const auto corner = read(*connection_, client);
    std::lock_guard lock(mutex_);
    const auto reading = reading_.find(client);
    if (reading != reading_.end()) {
        if (!reading->second) known_[client] = corner;
        reading_.erase(reading);
    }
    return corner;
}

void ButtonFreeCorners::onEvent(const xcb_generic_event_t& event)
{
    const auto type = event.response_type & 0x7f;
    xcb_window_t changed = XCB_WINDOW_NONE;
    bool everyWindow = false;
    if (type == XCB_PROPERTY_NOTIFY) {
        const auto& notify = reinterpret_cast<const xcb_property_notify_event_t&>(event);
        if (notify.atom != frameExtentsAtom_ && notify.atom != gtkFrameExtentsAtom_ && notify.atom != motifHintsAtom_)
            return;
        changed = notify.window;
    } else if (type == XCB_CONFIGURE_NOTIFY) {
        // A client hears of its own moves (the window manager tells it of its frame's).
        changed = reinterpret_cast<const xcb_configure_notify_event_t&>(event).window;
    } else if (type == XCB_DESTROY_NOTIFY) {
        changed = reinterpret_cast<const xcb_destroy_notify_event_t&>(event).window;
    } else if (type == connection_->events().randr + XCB_RANDR_SCREEN_CHANGE_NOTIFY ||
               type == connection_->events().randr + XCB_RANDR_NOTIFY) {
        // Another display may scale points differently.
        everyWindow = true;
    } else {
        return;
    }
    std::lock_guard lock(mutex_);
    if (everyWindow) {
        known_.clear();
        for (auto& [window, overtaken] : reading_) overtaken = true;
        return;
    }
    known_.erase(changed);
    if (const auto reading = reading_.find(changed); reading != reading_.end()) reading->second = true;
}

}  // namespace x11
