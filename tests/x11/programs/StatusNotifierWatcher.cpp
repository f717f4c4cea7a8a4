// The tray of a desktop that speaks the StatusNotifierItem protocol (KDE's, GNOME's with the
// AppIndicator extension), as far as an application sees it: on the bus at the address
// given, it owns the watcher's name, says that a tray shows the items, and accepts each
// item that registers, writing a line "BUS-NAME OBJECT-PATH" for it to the file given. The
// file exists, empty, once the watcher is on the bus.
//
//   glimra_test_tray_watcher BUS-ADDRESS ITEMS-FILE

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QFile>
#include <QObject>
#include <QStringList>

#include <cstdio>

class StatusNotifierWatcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ registeredItems)
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)

public:
    explicit StatusNotifierWatcher(QFile& itemsFile) : itemsFile_(itemsFile) {}

    QStringList registeredItems() const { return items_; }
    bool hostRegistered() const { return true; }
    int protocolVersion() const { return 0; }

public slots:
    // An item names its bus name (then its object is /StatusNotifierItem) or its object
    // path on the caller's connection.
    void RegisterStatusNotifierItem(const QString& serviceOrPath, const QDBusMessage& message)
    {
        const bool isPath = serviceOrPath.startsWith('/');
        const QString service = isPath ? message.service() : serviceOrPath;
        const QString path = isPath ? serviceOrPath : QStringLiteral("/StatusNotifierItem");
        items_ << service + path;
        itemsFile_.write((service + ' ' + path + '\n').toUtf8());
        itemsFile_.flush();
        emit StatusNotifierItemRegistered(service + path);
    }
    void RegisterStatusNotifierHost(const QString&) {}

signals:
    void StatusNotifierItemRegistered(const QString& item);
    void StatusNotifierItemUnregistered(const QString& item);
    void StatusNotifierHostRegistered();

private:
    QFile& itemsFile_;
    QStringList items_;
};

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s BUS-ADDRESS ITEMS-FILE\n", argv[0]);
        return 2;
    }
    QDBusConnection bus = QDBusConnection::connectToBus(QString::fromLocal8Bit(argv[1]), QStringLiteral("tray"));
    QFile itemsFile(QString::fromLocal8Bit(argv[2]));
    StatusNotifierWatcher watcher(itemsFile);
    // The object before the name: whoever sees the name may ask the object at once.
    if (!bus.isConnected() ||
        !bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), &watcher,
                            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties |
                                QDBusConnection::ExportAllSignals) ||
        !bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher")) ||
        !itemsFile.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        std::fprintf(stderr, "the watcher could not take its place on the bus\n");
        return 1;
    }
    return application.exec();
}

#include "StatusNotifierWatcher.moc"
