#include "platform/x11/X11DestroyedWindows.h"

#include "platform/x11/X11QtConnection.h"

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QCoreApplication>

namespace x11 {
namespace {

// Qt asks for structure events on its windows, so their end reaches its connection, and us
// through its event loop.
class QtDestroyedWindowsWatch : public DestroyedWindowsWatch, public QAbstractNativeEventFilter {
public:
    explicit QtDestroyedWindowsWatch(std::function<void(xcb_window_t)> destroyed) : destroyed_(std::move(destroyed))
    {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }

    ~QtDestroyedWindowsWatch() override { QCoreApplication::instance()->removeNativeEventFilter(this); }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override
    {
        if (type != "xcb_generic_event_t") return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7f) != XCB_DESTROY_NOTIFY) return false;
        const auto* notify = reinterpret_cast<const xcb_destroy_notify_event_t*>(event);
        if (notify->event == notify->window) destroyed_(notify->window);
        return false;
    }

private:
    std::function<void(xcb_window_t)> destroyed_;
};

}  // namespace

std::unique_ptr<DestroyedWindowsWatch> watchDestroyedWindows(std::function<void(xcb_window_t)> destroyed)
{
    if (!qtConnection()) return nullptr;
    return std::make_unique<QtDestroyedWindowsWatch>(std::move(destroyed));
}

}  // namespace x11
