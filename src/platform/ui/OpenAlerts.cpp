#include "platform/ui/OpenAlerts.h"

#include "platform/ui/TitleBar.h"
#include "platform/x11/X11ForegroundWindow.h"
#include "platform/x11/X11QtConnection.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#include <xcb/xinput.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace ui {
namespace {

std::vector<QPointer<QWidget>>& openAlerts()
{
    static std::vector<QPointer<QWidget>> alerts;
    return alerts;
}

void bringForward(QWidget& alert)
{
    alert.raise();
    if (hasWindowSystem())
        x11::activateOwnWindow(static_cast<xcb_window_t>(alert.winId()));
    else
        alert.activateWindow();
}

// The window an X button press went to; none for any other event. Qt takes the mouse
// through XInput 2, so presses come as its events, or as core ones where it does not.
xcb_window_t pressedWindow(const xcb_generic_event_t& event)
{
    const std::uint8_t type = event.response_type & 0x7f;
    if (type == XCB_BUTTON_PRESS) return reinterpret_cast<const xcb_button_press_event_t&>(event).event;
    if (type != XCB_GE_GENERIC) return XCB_WINDOW_NONE;
    const auto& generic = reinterpret_cast<const xcb_ge_generic_event_t&>(event);
    const auto* input = xcb_get_extension_data(x11::qtConnection(), &xcb_input_id);
    if (!input || !input->present || generic.extension != input->major_opcode ||
        generic.event_type != XCB_INPUT_BUTTON_PRESS)
        return XCB_WINDOW_NONE;
    return reinterpret_cast<const xcb_input_button_press_event_t&>(event).event;
}

// The tray icon counts: it lies in the tray's window, so Qt does not list it as top level.
bool isOwnWindow(xcb_window_t window)
{
    const auto windows = QGuiApplication::allWindows();
    return std::any_of(windows.begin(), windows.end(),
                       [&](const QWindow* own) { return own->handle() && own->winId() == window; });
}

bool isOpenAlert(xcb_window_t window)
{
    return std::any_of(openAlerts().begin(), openAlerts().end(),
                       [&](const QPointer<QWidget>& alert) { return alert && alert->internalWinId() == window; });
}

// Qt drops a press on a window the alert blocks before any widget sees it: the press is
// caught as it comes from the server.
class BlockedPressWatch : public QAbstractNativeEventFilter {
public:
    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override
    {
        if (type != "xcb_generic_event_t") return false;
        const xcb_window_t pressed = pressedWindow(*static_cast<const xcb_generic_event_t*>(message));
        if (pressed != XCB_WINDOW_NONE && !isOpenAlert(pressed) && isOwnWindow(pressed)) bringOpenAlertForward();
        return false;
    }
};

std::unique_ptr<BlockedPressWatch>& pressWatch()
{
    static std::unique_ptr<BlockedPressWatch> watch;
    return watch;
}

// Brings the alert forward once the window manager has shown it: a request for a window
// it has not taken on yet is dropped.
class FirstShowing : public QObject {
public:
    explicit FirstShowing(QWidget& alert) : QObject(&alert), alert_(alert) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Expose && alert_.windowHandle()->isExposed()) {
            bringForward(alert_);
            deleteLater();
        }
        return false;
    }

private:
    QWidget& alert_;
};

}  // namespace

OpenAlert::OpenAlert(QWidget& alert) : alert_(&alert)
{
    openAlerts().emplace_back(&alert);
    if (QWindow* window = alert.windowHandle()) window->installEventFilter(new FirstShowing(alert));
    if (hasWindowSystem() && !pressWatch()) {
        pressWatch() = std::make_unique<BlockedPressWatch>();
        QCoreApplication::instance()->installNativeEventFilter(pressWatch().get());
    }
}

OpenAlert::~OpenAlert()
{
    std::erase_if(openAlerts(), [&](const QPointer<QWidget>& open) { return open.isNull() || open == alert_; });
    if (openAlerts().empty() && pressWatch()) {
        QCoreApplication::instance()->removeNativeEventFilter(pressWatch().get());
        pressWatch().reset();
    }
}

bool bringOpenAlertForward()
{
    const auto& alerts = openAlerts();
    const auto latest =
        std::find_if(alerts.rbegin(), alerts.rend(), [](const QPointer<QWidget>& open) { return !open.isNull(); });
    if (latest == alerts.rend()) return false;
    bringForward(**latest);
    return true;
}

}  // namespace ui
