#include "platform/x11/X11ConnectionLoss.h"

#include "platform/x11/X11QtConnection.h"

#include <QString>
#include <QtGlobal>

#include <atomic>
#include <cstdlib>
#include <mutex>

namespace x11 {
namespace {

// Kept for the process's life: exit handlers and other threads may reach it to the end.
struct Watch {
    xcb_connection_t* ours = nullptr;
    xcb_connection_t* qt = nullptr;
    std::function<void()> end;
    QtMessageHandler previousHandler = nullptr;
    std::atomic<bool> ending{false};
    std::once_flag once;
};

Watch* watch = nullptr;

bool lost(xcb_connection_t* connection) { return connection && xcb_connection_has_error(connection); }

// A second caller blocks in call_once for good, as the first never returns.
void endOnce()
{
    watch->ending = true;
    std::call_once(watch->once, watch->end);
}

void onQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (watch->ending || lost(watch->qt)) endOnce();
    if (watch->previousHandler) watch->previousHandler(type, context, message);
}

void onExit()
{
    if (lost(watch->ours) || lost(watch->qt)) endOnce();
}

}  // namespace

void endWhenDisplayLost(Connection& connection, std::function<void()> end)
{
    watch = new Watch;
    watch->ours = connection.xcb();
    watch->qt = qtConnection();
    watch->end = std::move(end);
    // Registered after the desktop was installed, so it runs before the desktop goes.
    std::atexit(onExit);
    watch->previousHandler = qInstallMessageHandler(onQtMessage);
    connection.setLostHandler(endOnce);
}

}  // namespace x11
