#include "platform/x11/X11ActiveClient.h"

#include "platform/dispatch/Queue.h"
#include "platform/x11/X11EventMask.h"
#include "platform/x11/X11Ewmh.h"

#include <vector>

namespace x11 {

ActiveClient::ActiveClient(std::shared_ptr<Connection> connection)
    : connection_(std::move(connection)), state_(std::make_shared<State>())
{
    // The root hears the focus come from or go to it, which is how the focus moves where
    // no window manager names an active window.
    addEventMask(*connection_, connection_->root(), XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_FOCUS_CHANGE);
    const auto activeAtom = connection_->atom("_NET_ACTIVE_WINDOW");
    connection_->watchRootProperty(activeAtom);
    read(*connection_, *state_);
    const auto readAndTell = [weakConnection = std::weak_ptr<Connection>(connection_),
                              weakState = std::weak_ptr<State>(state_)] {
        const auto connection = weakConnection.lock();
        const auto state = weakState.lock();
        if (connection && state) read(*connection, *state);
    };
    // The server is asked, which may take long on a busy server: never on the main queue,
    // nor on the event thread.
    reads_ = std::make_unique<BatchedRead>(connection_, dispatch::Queue("x11.active-client"), readAndTell);
    handler_ = connection_->addEventHandler(
        [activeAtom, root = connection_->root(), reads = reads_.get()](const xcb_generic_event_t& event) {
            const auto type = event.response_type & 0x7f;
            if (type == XCB_FOCUS_IN || type == XCB_FOCUS_OUT) {
                if (reinterpret_cast<const xcb_focus_in_event_t&>(event).event == root) reads->notice();
                return;
            }
            if (type != XCB_PROPERTY_NOTIFY) return;
            const auto& notify = reinterpret_cast<const xcb_property_notify_event_t&>(event);
            if (notify.window == root && notify.atom == activeAtom) reads->notice();
        });
}

ActiveClient::~ActiveClient() { connection_->removeEventHandler(handler_); }

xcb_window_t ActiveClient::current() const
{
    std::lock_guard lock(state_->mutex);
    return state_->window;
}

desktop::Token ActiveClient::addListener(std::function<void(xcb_window_t)> listener)
{
    std::lock_guard lock(state_->mutex);
    state_->listeners.emplace(state_->nextToken, std::move(listener));
    return state_->nextToken++;
}

void ActiveClient::removeListener(desktop::Token token)
{
    std::lock_guard lock(state_->mutex);
    state_->listeners.erase(token);
}

void ActiveClient::read(Connection& connection, State& state)
{
    const auto window = ewmh::activeOrFocusedClient(connection);
    std::vector<std::function<void(xcb_window_t)>> listeners;
    {
        std::lock_guard lock(state.mutex);
        state.window = window;
        for (const auto& [token, listener] : state.listeners) listeners.push_back(listener);
    }
    for (const auto& listener : listeners) listener(window);
}

}  // namespace x11
