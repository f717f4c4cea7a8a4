#include "platform/x11/X11TopLevelClients.h"

#include "platform/x11/X11EventMask.h"
#include "platform/x11/X11EventWindow.h"
#include "platform/x11/X11Frames.h"
#include "platform/x11/X11Reply.h"

namespace x11 {

TopLevelClients::TopLevelClients(std::shared_ptr<Connection> connection) : connection_(std::move(connection))
{
    // Told when a top-level window is destroyed, unmapped or reparented away.
    addEventMask(*connection_, connection_->root(), XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY);
    handler_ = connection_->addEventHandler([this](const xcb_generic_event_t& event) { onEvent(event); });
}

TopLevelClients::~TopLevelClients() { connection_->removeEventHandler(handler_); }

bool TopLevelClients::bypassesWindowManager(xcb_window_t window)
{
    const auto attributes =
        connection_->answer(xcb_get_window_attributes_reply, xcb_get_window_attributes(connection_->xcb(), window));
    return attributes && attributes->override_redirect;
}

xcb_window_t TopLevelClients::clientOf(xcb_window_t topLevel)
{
    {
        std::lock_guard lock(mutex_);
        if (const auto found = clients_.find(topLevel); found != clients_.end()) return found->second;
    }
    const xcb_window_t client = clientWindow(*connection_, topLevel);
    // A frame without a managed client yet may still get one; a window that bypasses the
    // window manager (menus, overlays) never does and is its own client for good.
    if (client != topLevel || bypassesWindowManager(topLevel) ||
        connection_->property(topLevel, connection_->atom("WM_STATE"), XCB_ATOM_ANY, 2)) {
        std::lock_guard lock(mutex_);
        clients_[topLevel] = client;
    }
    return client;
}

void TopLevelClients::onEvent(const xcb_generic_event_t& event)
{
    const auto type = event.response_type & 0x7f;
    if (type != XCB_DESTROY_NOTIFY && type != XCB_UNMAP_NOTIFY && type != XCB_REPARENT_NOTIFY) return;
    std::lock_guard lock(mutex_);
    clients_.erase(windowOfEvent(event));
}

}  // namespace x11
