#include "platform/x11/X11AttentionMarks.h"

#include "platform/x11/X11QtConnection.h"
#include "platform/x11/X11Reply.h"

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QCoreApplication>

#include <algorithm>
#include <cstdint>

namespace x11 {
namespace {

constexpr std::uint32_t removeState = 0;
constexpr std::uint32_t sourceApplication = 1;
// A window manager that puts the mark back at once would have us take it back for ever:
// each mapping gets this many tries, then the mark stays.
constexpr int removalsPerMapping = 3;

// Qt asks for property events on its windows: the window manager's writing of the state
// reaches its connection, and us through its event loop.
class QtAttentionMarkRefusal : public AttentionMarkRefusal, public QAbstractNativeEventFilter {
public:
    explicit QtAttentionMarkRefusal(std::function<xcb_window_t()> window)
        : window_(std::move(window)),
          stateAtom_(qtAtom("_NET_WM_STATE")),
          attentionAtom_(qtAtom("_NET_WM_STATE_DEMANDS_ATTENTION"))
    {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override
    {
        if (type != "xcb_generic_event_t") return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        const auto kind = event->response_type & 0x7f;
        // Counted afresh once the window is withdrawn: Qt may hand the map's notice over
        // after the marks that followed it.
        if (kind == XCB_UNMAP_NOTIFY) {
            const xcb_window_t window = window_();
            if (window != XCB_WINDOW_NONE && reinterpret_cast<const xcb_unmap_notify_event_t*>(event)->window == window)
                removals_ = 0;
            return false;
        }
        if (kind != XCB_PROPERTY_NOTIFY) return false;
        const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event);
        if (notify->atom != stateAtom_ || notify->state != XCB_PROPERTY_NEW_VALUE) return false;
        const xcb_window_t window = window_();
        if (window == XCB_WINDOW_NONE || notify->window != window || removals_ >= removalsPerMapping) return false;
        // Read first: asked to drop a state it lacks, a window manager may write the same
        // states again, and that would come back here without end.
        if (marked(window)) {
            ++removals_;
            unmark(window);
        }
        return false;
    }

private:
    bool marked(xcb_window_t window) const
    {
        auto* connection = qtConnection();
        const auto cookie = xcb_get_property(connection, 0, window, stateAtom_, XCB_ATOM_ATOM, 0, 64);
        const auto states = unitsOf(reply(xcb_get_property_reply(connection, cookie, nullptr)).get());
        return std::find(states.begin(), states.end(), attentionAtom_) != states.end();
    }

    void unmark(xcb_window_t window) const
    {
        auto* connection = qtConnection();
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window;
        message.type = stateAtom_;
        message.data.data32[0] = removeState;
        message.data.data32[1] = attentionAtom_;
        message.data.data32[3] = sourceApplication;
        xcb_send_event(connection, 0, qtRoot(),
                       XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                       reinterpret_cast<const char*>(&message));
        xcb_flush(connection);
    }

    std::function<xcb_window_t()> window_;
    // Marks taken back since the window was last withdrawn.
    int removals_ = 0;
    xcb_atom_t stateAtom_;
    xcb_atom_t attentionAtom_;
};

}  // namespace

std::unique_ptr<AttentionMarkRefusal> refuseAttentionMarks(std::function<xcb_window_t()> window)
{
    if (!qtConnection()) return nullptr;
    return std::make_unique<QtAttentionMarkRefusal>(std::move(window));
}

}  // namespace x11
