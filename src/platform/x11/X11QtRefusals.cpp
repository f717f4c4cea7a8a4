#include "platform/x11/X11QtRefusals.h"

#include "platform/x11/X11QtConnection.h"

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QCoreApplication>
#include <QObject>

namespace x11 {
namespace {

constexpr const char* holderName = "glimra-x11-qt-refusals";

// Lives as long as the application it filters for.
class QtRefusalLog : public QObject, public QAbstractNativeEventFilter {
public:
    QtRefusalLog(xcb_connection_t* qt, const ErrorLog& sameServer, QObject* application)
        : QObject(application), log_(*xcb_get_setup(qt), sameServer)
    {
        setObjectName(holderName);
    }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override
    {
        if (type != "xcb_generic_event_t") return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if (event->response_type == 0) log_.note(*reinterpret_cast<const xcb_generic_error_t*>(event));
        return false;
    }

private:
    ErrorLog log_;
};

}  // namespace

void logQtRefusals(const Connection& connection)
{
    auto* application = QCoreApplication::instance();
    auto* qt = qtConnection();
    if (!application || !qt || application->findChild<QObject*>(holderName, Qt::FindDirectChildrenOnly)) return;
    application->installNativeEventFilter(new QtRefusalLog(qt, connection.errorLog(), application));
}

}  // namespace x11
