#include "platform/x11/X11TopLevelClients.h"

#include "platform/x11/X11EventMask.h"
#include "platform/x11/X11Frames.h"

namespace x11 {

TopLevelClients::TopLevelClients(std::shared_ptr<Connection> connection) : connection_(std::move(connection))
{
    // Told when a top-level window is destroyed, unmapped or reparented away.
    addEventMask(*connection_, connection_->root(), XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY);
    handler_ = connection_->addEventHandler([this](const xcb_generic_event_t& event) { onEvent(event); });
}

TopLevelClients::~TopLevelClients() { connection_->removeEventHandler(handler_); }

xcb_window_t TopLevelClients::clientOf(xcb_window_t topLevel)
{
    {
        std::lock_guard lock(mutex_);
        if (const auto found = clients_.find(topLevel); found != clients_.end()) return found->second;
    }
    const xcb_window_t client = clientWindow(*connection_, topLevel);
    // A window without a managed client yet may get one: only a found client is kept.
    if (client != topLevel || connection_->property(topLevel, connection_->atom("WM_STATE"), XCB_ATOM_ANY, 2)) {
        std::lock_guard lock(mutex_);
        clients_[topLevel] = client;
    }
    return client;
}

void TopLevelClients::onEvent(const xcb_generic_event_t& event)
{
    xcb_window_t gone = XCB_WINDOW_NONE;
    switch (event.response_type & 0x7f) {
    case XCB_DESTROY_NOTIFY: gone = reinterpret_cast<const xcb_destroy_notify_event_t&>(event).window; break;
    case XCB_UNMAP_NOTIFY: gone = reinterpret_cast<const xcb_unmap_notify_event_t&>(event).window; break;
    case XCB_REPARENT_NOTIFY: gone = reinterpret_cast<const xcb_reparent_notify_event_t&>(event).window; break;
    default: return;
    }
    std::lock_guard lock(mutex_);
    clients_.erase(gone);
}

}  // namespace x11
