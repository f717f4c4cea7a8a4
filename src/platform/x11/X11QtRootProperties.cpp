#include "platform/x11/X11QtRootProperties.h"

#include "platform/x11/X11EventMask.h"
#include "platform/x11/X11QtConnection.h"
#include "platform/x11/X11Reply.h"

#include <algorithm>
#include <vector>

namespace x11 {
namespace {

// The root properties Qt's screens and window-manager support follow.
constexpr const char* followedByQt[] = {"_NET_WORKAREA", "_NET_SUPPORTED", "_NET_SUPPORTING_WM_CHECK",
                                        "RESOURCE_MANAGER"};

class QtConnectionRelay : public QtRootPropertyRelay {
public:
    QtConnectionRelay(std::shared_ptr<Connection> connection, xcb_connection_t* qt)
        : connection_(std::move(connection)), qt_(qt), qtRoot_(qtRoot())
    {
        setQtHearsRootProperties(false);
        // An event sent to a window with no event mask goes to the client that made it.
        qtWindow_ = xcb_generate_id(qt_);
        xcb_create_window(qt_, XCB_COPY_FROM_PARENT, qtWindow_, qtRoot_, -1, -1, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                          XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_flush(qt_);

        std::vector<xcb_atom_t> followed;
        for (const char* name : followedByQt) {
            followed.push_back(connection_->atom(name));
            connection_->watchRootProperty(followed.back());
        }
        addEventMask(*connection_, connection_->root(), XCB_EVENT_MASK_PROPERTY_CHANGE);
        const xcb_window_t root = connection_->root();
        handler_ = connection_->addEventHandler([this, root, followed](const xcb_generic_event_t& event) {
            if ((event.response_type & 0x7f) != XCB_PROPERTY_NOTIFY) return;
            const auto& notify = reinterpret_cast<const xcb_property_notify_event_t&>(event);
            if (notify.window != root || std::find(followed.begin(), followed.end(), notify.atom) == followed.end())
                return;
            xcb_send_event(connection_->xcb(), 0, qtWindow_, XCB_EVENT_MASK_NO_EVENT,
                           reinterpret_cast<const char*>(&notify));
            connection_->flush();
        });
    }

    ~QtConnectionRelay() override
    {
        connection_->removeEventHandler(handler_);
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
    xcb_window_t qtWindow_ = XCB_WINDOW_NONE;
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
