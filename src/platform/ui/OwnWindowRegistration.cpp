#include "platform/ui/OwnWindowRegistration.h"

#include "platform/desktop/Desktop.h"
#include "platform/dispatch/Queue.h"
#include "platform/ui/EventDelivery.h"
#include "platform/ui/WidgetPicture.h"
#include "platform/x11/X11OwnWindowHints.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QWidget>
#include <QPointer>
#include <QThread>

namespace ui {
namespace {

bool sameState(const desktop::OwnWindowState& a, const desktop::OwnWindowState& b)
{
    return a.title == b.title && a.frame == b.frame && a.level == b.level && a.alpha == b.alpha &&
           a.visible == b.visible && a.ignoresMouseEvents == b.ignoresMouseEvents && a.nativeWindow == b.nativeWindow;
}

bool onGuiThread()
{
    const auto* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

desktop::OwnWindowGrab pictureOf(QWidget& widget)
{
    return [widget = QPointer<QWidget>(&widget)](double scale) -> desktop::PixelBufferRef {
        const auto render = [&]() -> desktop::PixelBufferRef { return widget ? renderWidget(*widget, scale) : nullptr; };
        // Widgets draw only on their own thread.
        return onGuiThread() ? render() : dispatch::main().syncResult(render);
    };
}

desktop::OwnWindowEventSink eventsTo(QWidget& widget)
{
    return
        [delivery = std::make_shared<EventDelivery>(widget)](const desktop::Event& event) { delivery->deliver(event); };
}

// The widget's X window, created here if it has none yet, so the desktop can stack it;
// other platforms' window ids mean nothing to the desktop.
desktop::OwnWindowState withNativeWindow(QWidget& widget, desktop::OwnWindowState state)
{
    state.nativeWindow = QGuiApplication::platformName() == QLatin1String("xcb") ? widget.winId() : 0;
    return state;
}

// Qt writes an X window's ICCCM name whenever it sets the title or makes the window,
// garbled outside a UTF-8 locale; it is written again after each, from the widget's title
// as Qt wrote it into _NET_WM_NAME (a window may name itself there apart from its title).
void nameNativeWindow(const QWidget& widget, const desktop::OwnWindowState& state)
{
    if (state.nativeWindow)
        x11::writeIcccmName(static_cast<xcb_window_t>(state.nativeWindow), widget.windowTitle().toStdString());
}

}  // namespace

OwnWindowRegistration::OwnWindowRegistration(QWidget& widget, const desktop::OwnWindowState& state,
                                             std::function<void(const core::Rect&)> movedByDesktop,
                                             std::function<void()> destroyedByOther)
    : server_(desktop::current().windowServer),
      widget_(&widget),
      state_(withNativeWindow(widget, state)),
      movedByDesktop_(std::move(movedByDesktop)),
      destroyedByOther_(std::move(destroyedByOther)),
      number_(server_->registerOwnWindow(state_, pictureOf(widget), eventsTo(widget),
                                         lifetime_.guard([](OwnWindowRegistration& self, const core::Rect& frame) {
                                             self.state_.frame = frame;
                                             if (self.movedByDesktop_) self.movedByDesktop_(frame);
                                         })))
{
    nameNativeWindow(widget, state_);
    server_->onOwnWindowDestroyed(number_, lifetime_.guard([](OwnWindowRegistration& self, std::uint64_t nativeWindow) {
        if (!self.destroyedByOther_) return;
        // Qt makes a widget a new window at times (new flags) and destroys the old one
        // itself: only the window the widget still has counts.
        if (!self.widget_ || self.widget_->internalWinId() != nativeWindow) return;
        self.destroyedByOther_();
    }));
}

OwnWindowRegistration::~OwnWindowRegistration() { server_->unregisterOwnWindow(number_); }

void OwnWindowRegistration::update(const desktop::OwnWindowState& state)
{
    const auto next = widget_ ? withNativeWindow(*widget_, state) : state;
    if (sameState(next, state_)) return;
    const bool renamed = next.title != state_.title || next.nativeWindow != state_.nativeWindow;
    state_ = next;
    if (renamed && widget_) nameNativeWindow(*widget_, state_);
    server_->updateOwnWindow(number_, state_);
}

void OwnWindowRegistration::orderFront() { server_->orderOwnWindowFront(number_); }

void OwnWindowRegistration::makeKey() { server_->makeOwnWindowKey(number_); }

}  // namespace ui
