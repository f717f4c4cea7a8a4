// The tray of a desktop that speaks the StatusNotifierItem protocol (KDE's, GNOME's with the
// AppIndicator extension), as far as an application sees it: on the bus at the address
// given, it owns the watcher's name, says that a tray shows the items, and accepts each
// item that registers, writing a line "BUS-NAME OBJECT-PATH" for it to the file given. The
// file exists, empty, once the watcher is on the bus. It counts the questions whether a tray
// shows the items (HostQuestions), and Flood(COUNT) sends COUNT host signals at once, each
// host registering or leaving by turns, before it answers anything else.
//
// A hostile MODE: "refuses-items" refuses every item (AccessDenied); "hides-host-property"
// answers only whether a tray shows the items, and leaves that out of its introspection;
// "wrong-types" declares whether a tray shows the items a boolean but answers a string.
//
//   glimra_test_tray_watcher BUS-ADDRESS ITEMS-FILE [MODE]

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QFile>
#include <QObject>
#include <QStringList>

#include <cstdio>
#include <cstring>

class StatusNotifierWatcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ registeredItems)
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
    Q_PROPERTY(int HostQuestions READ hostQuestions)

public:
    StatusNotifierWatcher(QFile& itemsFile, bool refusesItems) : itemsFile_(itemsFile), refusesItems_(refusesItems) {}

    QStringList registeredItems() const { return items_; }
    bool hostRegistered() const
    {
        ++hostQuestions_;
        return true;
    }
    int protocolVersion() const { return 0; }
    int hostQuestions() const { return hostQuestions_; }

public slots:
    // An item names its bus name (then its object is /StatusNotifierItem) or its object
    // path on the caller's connection.
    void RegisterStatusNotifierItem(const QString& serviceOrPath, const QDBusMessage& message)
    {
        if (refusesItems_) {
            message.setDelayedReply(true);
            QDBusConnection(QStringLiteral("tray"))
                .send(message.createErrorReply(QDBusError::AccessDenied, QStringLiteral("no items here")));
            return;
        }
        const bool isPath = serviceOrPath.startsWith('/');
        const QString service = isPath ? message.service() : serviceOrPath;
        const QString path = isPath ? serviceOrPath : QStringLiteral("/StatusNotifierItem");
        items_ << service + path;
        itemsFile_.write((service + ' ' + path + '\n').toUtf8());
        itemsFile_.flush();
        emit StatusNotifierItemRegistered(service + path);
    }
    void RegisterStatusNotifierHost(const QString&) {}
    void Flood(int count)
    {
        for (int i = 0; i < count; ++i) {
            if (i % 2 == 0)
                emit StatusNotifierHostRegistered();
            else
                emit StatusNotifierHostUnregistered();
        }
    }

signals:
    void StatusNotifierItemRegistered(const QString& item);
    void StatusNotifierItemUnregistered(const QString& item);
    void StatusNotifierHostRegistered();
    void StatusNotifierHostUnregistered();

private:
    QFile& itemsFile_;
    const bool refusesItems_;
    QStringList items_;
    mutable int hostQuestions_ = 0;
};

// A watcher made by hand: it answers whether a tray shows the items, and either leaves
// that question out of its introspection or answers it with a string; nothing else.
class HandMadeWatcher : public QDBusVirtualObject {
public:
    explicit HandMadeWatcher(bool wrongTypes) : wrongTypes_(wrongTypes) {}

    QString introspect(const QString&) const override
    {
        return QStringLiteral("  <interface name=\"org.kde.StatusNotifierWatcher\">\n"
                              "    <method name=\"RegisterStatusNotifierItem\"><arg type=\"s\" direction=\"in\"/></method>\n"
                              "    <property name=\"ProtocolVersion\" type=\"i\" access=\"read\"/>\n") +
               (wrongTypes_ ? QStringLiteral("    <property name=\"IsStatusNotifierHostRegistered\" type=\"b\" access=\"read\"/>\n")
                            : QString()) +
               QStringLiteral("  </interface>\n");
    }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        const QString asked = message.member() == QStringLiteral("Get") ? message.arguments().value(1).toString() : QString();
        const QVariant host = wrongTypes_ ? QVariant(QStringLiteral("true")) : QVariant(true);
        if (message.member() == QStringLiteral("Introspect"))
            connection.send(message.createReply(QStringLiteral("<node>\n") + introspect({}) + QStringLiteral("</node>\n")));
        else if (asked == QStringLiteral("IsStatusNotifierHostRegistered"))
            connection.send(message.createReply(QVariant::fromValue(QDBusVariant(host))));
        else
            connection.send(message.createErrorReply(QDBusError::UnknownMethod, message.member()));
        return true;
    }

private:
    const bool wrongTypes_;
};

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const char* mode = argc == 4 ? argv[3] : "";
    const bool refusesItems = std::strcmp(mode, "refuses-items") == 0;
    const bool hidesHostProperty = std::strcmp(mode, "hides-host-property") == 0;
    const bool wrongTypes = std::strcmp(mode, "wrong-types") == 0;
    if ((argc != 3 && argc != 4) || (argc == 4 && !refusesItems && !hidesHostProperty && !wrongTypes)) {
        std::fprintf(stderr, "usage: %s BUS-ADDRESS ITEMS-FILE [refuses-items|hides-host-property|wrong-types]\n",
                     argv[0]);
        return 2;
    }
    QDBusConnection bus = QDBusConnection::connectToBus(QString::fromLocal8Bit(argv[1]), QStringLiteral("tray"));
    QFile itemsFile(QString::fromLocal8Bit(argv[2]));
    StatusNotifierWatcher watcher(itemsFile, refusesItems);
    HandMadeWatcher handMadeWatcher(wrongTypes);
    const QString path = QStringLiteral("/StatusNotifierWatcher");
    // The object before the name: whoever sees the name may ask the object at once.
    if (!bus.isConnected() ||
        !(hidesHostProperty || wrongTypes ? bus.registerVirtualObject(path, &handMadeWatcher)
                            : bus.registerObject(path, &watcher,
                                                 QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties |
                                                     QDBusConnection::ExportAllSignals)) ||
        !bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher")) ||
        !itemsFile.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        std::fprintf(stderr, "the watcher could not take its place on the bus\n");
        return 1;
    }
    return application.exec();
}

#include "StatusNotifierWatcher.moc"
