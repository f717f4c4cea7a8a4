#include "platform/x11/X11TraySelection.h"

#include "platform/x11/X11QtConnection.h"
#include "platform/x11/X11Reply.h"

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QCoreApplication>

#include <xcb/xfixes.h>

#include <string>

namespace x11 {
namespace {

xcb_atom_t traySelection() { return qtAtom("_NET_SYSTEM_TRAY_S" + std::to_string(qtScreenNumber())); }

constexpr std::uint32_t ownerEvents = XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                                      XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                                      XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE;

// XFixes tells of the selection's owner on Qt's own connection, whose events reach us
// through Qt's event loop: on the main thread, in order with Qt's own.
class XFixesTraySelectionWatch : public TraySelectionWatch, public QAbstractNativeEventFilter {
public:
    XFixesTraySelectionWatch(xcb_connection_t* connection, std::uint8_t firstEvent, std::function<void()> changed)
        : connection_(connection),
          root_(qtRoot()),
          selection_(traySelection()),
          notifyEvent_(static_cast<std::uint8_t>(firstEvent + XCB_XFIXES_SELECTION_NOTIFY)),
          changed_(std::move(changed))
    {
        xcb_xfixes_select_selection_input(connection_, root_, selection_, ownerEvents);
        xcb_flush(connection_);
        QCoreApplication::instance()->installNativeEventFilter(this);
    }

    ~XFixesTraySelectionWatch() override
    {
        QCoreApplication::instance()->removeNativeEventFilter(this);
        xcb_xfixes_select_selection_input(connection_, root_, selection_, 0);
        xcb_flush(connection_);
    }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override
    {
        if (type != "xcb_generic_event_t") return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7f) != notifyEvent_) return false;
        const auto* notify = reinterpret_cast<const xcb_xfixes_selection_notify_event_t*>(event);
        if (notify->selection == selection_) changed_();
        return false;
    }

private:
    xcb_connection_t* connection_;
    xcb_window_t root_;
    xcb_atom_t selection_;
    std::uint8_t notifyEvent_;
    std::function<void()> changed_;
};

}  // namespace

xcb_window_t traySelectionOwner()
{
    auto* connection = qtConnection();
    if (!connection) return XCB_WINDOW_NONE;
    const auto owner =
        reply(xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, traySelection()), nullptr));
    return owner ? owner->owner : xcb_window_t{XCB_WINDOW_NONE};
}

std::unique_ptr<TraySelectionWatch> watchTraySelection(std::function<void()> changed)
{
    auto* connection = qtConnection();
    if (!connection) return nullptr;
    // Qt set XFixes up on its connection (its clipboard uses it).
    const auto* xfixes = xcb_get_extension_data(connection, &xcb_xfixes_id);
    if (!xfixes || !xfixes->present) return nullptr;
    return std::make_unique<XFixesTraySelectionWatch>(connection, xfixes->first_event, std::move(changed));
}

}  // namespace x11
