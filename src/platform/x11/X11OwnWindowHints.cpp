#include "platform/x11/X11OwnWindowHints.h"

#include "platform/x11/X11QtConnection.h"
#include "platform/x11/X11Text.h"

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QCoreApplication>

#include <cstdlib>
#include <memory>
#include <string>

namespace x11 {
namespace {

// The name the window manager gives itself on its check window; empty without one.
std::string windowManagerName(xcb_connection_t* connection)
{
    const auto read = [&](xcb_window_t window, xcb_atom_t property, xcb_atom_t type) {
        const std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
            xcb_get_property_reply(connection, xcb_get_property(connection, 0, window, property, type, 0, 64), nullptr),
            &std::free);
        if (!reply || reply->type != type) return std::string();
        return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                           static_cast<std::size_t>(xcb_get_property_value_length(reply.get())));
    };
    const std::string check = read(qtRoot(), qtAtom("_NET_SUPPORTING_WM_CHECK"), XCB_ATOM_WINDOW);
    if (check.size() != sizeof(xcb_window_t)) return {};
    xcb_window_t checkWindow = XCB_WINDOW_NONE;
    check.copy(reinterpret_cast<char*>(&checkWindow), sizeof checkWindow);
    return read(checkWindow, qtAtom("_NET_WM_NAME"), qtAtom("UTF8_STRING"));
}

// Read at the first showing after the window manager named a check window: a read at each
// showing would stall it on a busy server, and a window manager that replaces another names
// a new one. Qt hears the root's property changes, or has them relayed.
class WindowManagerName : public QAbstractNativeEventFilter {
public:
    WindowManagerName()
    {
        if (auto* application = QCoreApplication::instance()) application->installNativeEventFilter(this);
    }
    ~WindowManagerName() override
    {
        if (auto* application = QCoreApplication::instance()) application->removeNativeEventFilter(this);
    }

    const std::string& name()
    {
        if (!known_) {
            auto* connection = qtConnection();
            name_ = connection ? windowManagerName(connection) : std::string();
            known_ = true;
        }
        return name_;
    }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override
    {
        if (type != "xcb_generic_event_t") return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY) return false;
        const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event);
        if (notify->window == qtRoot() && notify->atom == qtAtom("_NET_SUPPORTING_WM_CHECK")) known_ = false;
        return false;
    }

private:
    std::string name_;
    bool known_ = false;
};

const std::string& windowManagerName()
{
    static WindowManagerName followed;
    return followed.name();
}

}  // namespace

void floatOnEveryWorkspace(xcb_window_t window)
{
    auto* connection = qtConnection();
    if (!connection || window == XCB_WINDOW_NONE) return;
    // Replaces the types Qt wrote from the window's flags; Qt writes them only when the
    // flags change, and a new window is typed again before it is mapped. Not transient:
    // window managers hide a utility window transient for a hidden leader.
    const xcb_atom_t type = qtAtom("_NET_WM_WINDOW_TYPE_DOCK");
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, qtAtom("_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, 32, 1,
                        &type);
    // Written before each mapping, without reading the states back: the window manager
    // dropped them on withdrawal, and Qt adds its own (above, modal...) to what it finds
    // when it maps the window. A read would stall every showing on a busy server.
    const xcb_atom_t states[] = {qtAtom("_NET_WM_STATE_SKIP_TASKBAR"), qtAtom("_NET_WM_STATE_SKIP_PAGER"),
                                 qtAtom("_NET_WM_STATE_STICKY")};
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, qtAtom("_NET_WM_STATE"), XCB_ATOM_ATOM, 32, 3,
                        states);
    // Window managers go by either: the sticky state or the desktop number for all.
    const std::uint32_t allDesktops = 0xFFFFFFFF;
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, qtAtom("_NET_WM_DESKTOP"), XCB_ATOM_CARDINAL, 32, 1,
                        &allDesktops);
    xcb_flush(connection);
}

bool windowManagerPlacesMappedWindows()
{
    return qtConnection() && (windowManagerName() == "awesome" || windowManagerName() == "i3");
}

void reserveTopBand(xcb_window_t window, std::uint32_t bottom, std::uint32_t left, std::uint32_t right)
{
    auto* connection = qtConnection();
    if (!connection || window == XCB_WINDOW_NONE) return;
    // left, right, top, bottom, then the start and end of each edge's band.
    const std::uint32_t partial[12] = {0, 0, bottom, 0, 0, 0, 0, 0, left, right, 0, 0};
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, qtAtom("_NET_WM_STRUT_PARTIAL"), XCB_ATOM_CARDINAL,
                        32, 12, partial);
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, qtAtom("_NET_WM_STRUT"), XCB_ATOM_CARDINAL, 32, 4,
                        partial);
    xcb_flush(connection);
}

void writeIcccmName(xcb_window_t window, const std::string& title)
{
    auto* connection = qtConnection();
    if (!connection || window == XCB_WINDOW_NONE) return;
    const IcccmText name = icccmText(title);
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME,
                        name.compound ? qtAtom("COMPOUND_TEXT") : xcb_atom_t{XCB_ATOM_STRING}, 8,
                        static_cast<std::uint32_t>(name.bytes.size()), name.bytes.data());
    xcb_flush(connection);
}

}  // namespace x11
