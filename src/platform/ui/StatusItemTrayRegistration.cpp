#include "platform/ui/StatusItemTrayRegistration.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QStringList>

#include <optional>

namespace ui {
namespace {

// A watcher that does not answer within this is not taken for one that refused.
constexpr int watcherTimeoutMs = 2000;
// Qt counts the icons it makes, some for a moment only: the newest shown one is looked for
// this far past the last one found.
constexpr int iconsMadeBetween = 64;

// Qt registers each icon over a connection of its own, named after the process and its
// count of icons; an icon's connection goes with it.
std::optional<QDBusConnection> newestIconConnection()
{
    static int lastFound = 0;
    const QString prefix = QStringLiteral("org.kde.StatusNotifierItem-%1-").arg(QCoreApplication::applicationPid());
    std::optional<QDBusConnection> newest;
    for (int count = 1; count <= lastFound + iconsMadeBetween; ++count) {
        QDBusConnection connection(prefix + QString::number(count));
        if (!connection.isConnected()) continue;
        newest = connection;
        lastFound = count;
    }
    return newest;
}

// An entry names the item by its connection's bus name, and may add the path.
bool listsItem(const QStringList& items, const QString& busName)
{
    for (const QString& item : items)
        if (item.section(QLatin1Char('/'), 0, 0) == busName) return true;
    return false;
}

}  // namespace

void checkTrayRegistration(QObject* context, std::function<void()> refused)
{
    // Asked over the connection Qt registered through, the watcher answers after it has
    // answered the registration. Without it (another Qt) nothing is concluded.
    const auto connection = newestIconConnection();
    if (!connection) return;
    auto question = QDBusMessage::createMethodCall(
        QStringLiteral("org.kde.StatusNotifierWatcher"), QStringLiteral("/StatusNotifierWatcher"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    question << QStringLiteral("org.kde.StatusNotifierWatcher") << QStringLiteral("RegisteredStatusNotifierItems");
    auto* pending = new QDBusPendingCallWatcher(connection->asyncCall(question, watcherTimeoutMs), context);
    QObject::connect(pending, &QDBusPendingCallWatcher::finished, context,
                     [refused = std::move(refused), busName = connection->baseService()](QDBusPendingCallWatcher* call) {
                         call->deleteLater();
                         const QDBusPendingReply<QDBusVariant> answer = *call;
                         if (answer.isError()) return;
                         // A list of another type lists nothing: such a watcher took no item.
                         const QVariant items = answer.value().variant();
                         if (items.typeId() != QMetaType::QStringList || !listsItem(items.toStringList(), busName))
                             refused();
                     });
}

}  // namespace ui
