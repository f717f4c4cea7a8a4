#include "platform/x11/X11QtRootProperties.h"

#include "platform/x11/X11BatchedRead.h"
#include "platform/x11/X11EventMask.h"
#include "platform/x11/X11QtConnection.h"
#include "platform/x11/X11Reply.h"

#include <map>
#include <optional>

namespace x11 {
namespace {

// The root properties Qt's screens and window-manager support follow.
constexpr const char* followedByQt[] = {"_NET_WORKAREA", "_NET_SUPPORTED", "_NET_SUPPORTING_WM_CHECK",
                                        "RESOURCE_MANAGER"};

// Tells Qt's window of the property's change when its value is not the last one told.
void relayIfChanged(Connection& connection, xcb_atom_t atom, std::optional<Connection::Property>& last,
                    xcb_window_t qtWindow)
{
    auto value = connection.property(connection.root(), atom);
    if (value == last) return;
    last = std::move(value);
    xcb_property_notify_event_t notify{};
    notify.response_type = XCB_PROPERTY_NOTIFY;
    notify.window = connection.root();
    notify.atom = atom;
    notify.time = XCB_CURRENT_TIME;
    notify.state = last ? XCB_PROPERTY_NEW_VALUE : XCB_PROPERTY_DELETE;
    xcb_send_event(connection.xcb(), 0, qtWindow, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&notify));
    connection.flush();
}

class QtConnectionRelay : public QtRootPropertyRelay {
public:
    QtConnectionRelay(std::shared_ptr<Connection> connection, xcb_connection_t* qt)
        : connection_(std::move(connection)), qt_(qt), qtRoot_(qtRoot()), qtWindow_(xcb_generate_id(qt_))
    {
        setQtHearsRootProperties(false);
        // An event sent to a window with no event mask goes to the client that made it.
        xcb_create_window(qt_, XCB_COPY_FROM_PARENT, qtWindow_, qtRoot_, -1, -1, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                          XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_flush(qt_);

        const xcb_window_t root = connection_->root();
        const dispatch::Queue queue("x11.qt.rootproperties");
        for (const char* name : followedByQt) {
            const xcb_atom_t atom = connection_->atom(name);
            connection_->watchRootProperty(atom);
            // Qt reads the property again for each notice it hears, on its main thread: it
            // hears one for each value the property took, not one for each rewrite.
            auto last = std::make_shared<std::optional<Connection::Property>>(connection_->property(root, atom));
            const auto relay = [weakConnection = std::weak_ptr<Connection>(connection_), last, atom,
                                qtWindow = qtWindow_] {
                if (const auto connection = weakConnection.lock()) relayIfChanged(*connection, atom, *last, qtWindow);
            };
            relays_.emplace(atom, std::make_unique<BatchedRead>(connection_, queue, relay));
        }
        addEventMask(*connection_, root, XCB_EVENT_MASK_PROPERTY_CHANGE);
        handler_ = connection_->addEventHandler([this, root](const xcb_generic_event_t& event) {
            if ((event.response_type & 0x7f) != XCB_PROPERTY_NOTIFY) return;
            const auto& notify = reinterpret_cast<const xcb_property_notify_event_t&>(event);
            if (notify.window != root) return;
            if (const auto found = relays_.find(notify.atom); found != relays_.end()) found->second->notice();
        });
    }

    ~QtConnectionRelay() override
    {
        connection_->removeEventHandler(handler_);
        relays_.clear();
        xcb_destroy_window(qt_, qtWindow_);
        setQtHearsRootProperties(true);
    }

private:
    void setQtHearsRootProperties(bool hears)
    {
        const auto attributes = reply(
            xcb_get_window_attributes_reply(qt_, xcb_get_window_attributes(qt_, qtRoot_), nullptr));
        if (!attributes) return;
        const std::uint32_t mask = hears ? attributes->your_event_mask | XCB_EVENT_MASK_PROPERTY_CHANGE
                                         : attributes->your_event_mask & ~std::uint32_t{XCB_EVENT_MASK_PROPERTY_CHANGE};
        xcb_change_window_attributes(qt_, qtRoot_, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(qt_);
    }

    const std::shared_ptr<Connection> connection_;
    xcb_connection_t* const qt_;
    const xcb_window_t qtRoot_;
    const xcb_window_t qtWindow_;
    // Not changed once made: the event thread looks them up.
    std::map<xcb_atom_t, std::unique_ptr<BatchedRead>> relays_;
    Connection::HandlerToken handler_ = 0;
};

}  // namespace

std::unique_ptr<QtRootPropertyRelay> relayRootPropertiesToQt(std::shared_ptr<Connection> connection)
{
    auto* qt = qtConnection();
    if (!qt) return nullptr;
    return std::make_unique<QtConnectionRelay>(std::move(connection), qt);
}

}  // namespace x11
