#include "platform/x11/X11TrayEmbedding.h"

#include "platform/x11/X11QtConnection.h"

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QCoreApplication>

namespace x11 {
namespace {

// Qt asks for structure events on its windows, so the tray's reparenting and mapping reach
// its connection, and us through its event loop. A window Qt made starts as the root's
// child, unmapped.
class QtTrayEmbeddingWatch : public TrayEmbeddingWatch, public QAbstractNativeEventFilter {
public:
    QtTrayEmbeddingWatch(std::function<xcb_window_t()> icon, std::function<void(bool)> changed)
        : root_(qtRoot()), icon_(std::move(icon)), changed_(std::move(changed))
    {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }

    ~QtTrayEmbeddingWatch() override { QCoreApplication::instance()->removeNativeEventFilter(this); }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override
    {
        if (type != "xcb_generic_event_t") return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        switch (event->response_type & 0x7f) {
        case XCB_REPARENT_NOTIFY: {
            const auto* notify = reinterpret_cast<const xcb_reparent_notify_event_t*>(event);
            if (isIcon(notify->event, notify->window)) inTray_ = notify->parent != root_;
            break;
        }
        case XCB_MAP_NOTIFY: {
            const auto* notify = reinterpret_cast<const xcb_map_notify_event_t*>(event);
            if (isIcon(notify->event, notify->window)) mapped_ = true;
            break;
        }
        case XCB_UNMAP_NOTIFY: {
            const auto* notify = reinterpret_cast<const xcb_unmap_notify_event_t*>(event);
            if (isIcon(notify->event, notify->window)) mapped_ = false;
            break;
        }
        default:
            return false;
        }
        if (embedded_ != (inTray_ && mapped_)) {
            embedded_ = !embedded_;
            changed_(embedded_);
        }
        return false;
    }

private:
    // Of the window's own structure events, not its parent's news of it.
    bool isIcon(xcb_window_t event, xcb_window_t window)
    {
        if (event != window || window == XCB_WINDOW_NONE || window != icon_()) return false;
        if (window != window_) {
            window_ = window;
            inTray_ = mapped_ = false;
        }
        return true;
    }

    const xcb_window_t root_;
    std::function<xcb_window_t()> icon_;
    std::function<void(bool)> changed_;
    xcb_window_t window_ = XCB_WINDOW_NONE;
    bool inTray_ = false;
    bool mapped_ = false;
    // As last told.
    bool embedded_ = false;
};

}  // namespace

std::unique_ptr<TrayEmbeddingWatch> watchTrayEmbedding(std::function<xcb_window_t()> icon,
                                                       std::function<void(bool embedded)> changed)
{
    if (!qtConnection()) return nullptr;
    return std::make_unique<QtTrayEmbeddingWatch>(std::move(icon), std::move(changed));
}

}  // namespace x11
