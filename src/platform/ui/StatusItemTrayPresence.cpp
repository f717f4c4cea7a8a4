#include "platform/ui/StatusItemTrayPresence.h"

#include "platform/dispatch/Queue.h"
#include "platform/x11/X11TraySelection.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QXmlStreamReader>

#include <utility>

namespace ui {
namespace {

const QString watcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString watcherPath = QStringLiteral("/StatusNotifierWatcher");
const QString watcherInterface = QStringLiteral("org.kde.StatusNotifierWatcher");
// A watcher that does not answer within this is taken for none.
constexpr int watcherTimeoutMs = 2000;
// A tray owner or watcher that comes and goes many times a second would have the item
// move, and register with the watcher anew, at each flip: it is followed once it has held
// still this long.
constexpr double steadyFor = 0.5;

QDBusMessage hostQuestion()
{
    auto question = QDBusMessage::createMethodCall(
        watcherService, watcherPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    question << watcherInterface << QStringLiteral("IsStatusNotifierHostRegistered");
    return question;
}

// Only a boolean true: Qt takes an answer of another type for no host, and a watcher
// that answers so is taken for none.
bool saysHostShowsItems(const QDBusMessage& answer)
{
    if (answer.type() != QDBusMessage::ReplyMessage || answer.arguments().isEmpty()) return false;
    const QVariant shows = qvariant_cast<QDBusVariant>(answer.arguments().constFirst()).variant();
    return shows.typeId() == QMetaType::Bool && shows.toBool();
}

bool hostShowsItemsNow()
{
    const QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.isConnected() && saysHostShowsItems(bus.call(hostQuestion(), QDBus::Block, watcherTimeoutMs));
}

// Qt reads the answer through the watcher's introspection: a watcher that answers without
// declaring the property there is no host to Qt, whose icons then go to an XEmbed tray.
bool declaresHostQuestion()
{
    const auto introspection = QDBusConnection::sessionBus().call(
        QDBusMessage::createMethodCall(watcherService, watcherPath, QStringLiteral("org.freedesktop.DBus.Introspectable"),
                                       QStringLiteral("Introspect")),
        QDBus::Block, watcherTimeoutMs);
    if (introspection.type() != QDBusMessage::ReplyMessage || introspection.arguments().isEmpty()) return false;
    QXmlStreamReader xml(introspection.arguments().constFirst().toString());
    bool inWatcherInterface = false;
    while (xml.readNext() != QXmlStreamReader::Invalid && !xml.atEnd()) {
        if (!xml.isStartElement()) continue;
        const auto name = xml.attributes().value(QStringLiteral("name"));
        if (xml.name() == QStringLiteral("interface"))
            inWatcherInterface = name == watcherInterface;
        else if (inWatcherInterface && xml.name() == QStringLiteral("property") &&
                 name == QStringLiteral("IsStatusNotifierHostRegistered"))
            return true;
    }
    return false;
}

// Asked as Qt asks before its first tray icon, and remembered for the process as Qt
// remembers it.
StatusItemTrayPresence::Kind settledKind()
{
    static const auto kind = hostShowsItemsNow() && declaresHostQuestion() ? StatusItemTrayPresence::Kind::statusNotifier
                                                                           : StatusItemTrayPresence::Kind::xembed;
    return kind;
}

}  // namespace

StatusItemTrayPresence::StatusItemTrayPresence(std::function<void()> changed)
    : kind_(settledKind()), changed_(std::move(changed))
{
    if (kind_ == Kind::statusNotifier)
        watchStatusNotifierHosts();
    else
        traySelection_ = x11::watchTraySelection([this] { tellChange(); });
}

StatusItemTrayPresence::~StatusItemTrayPresence() = default;

bool StatusItemTrayPresence::present() const
{
    return kind_ == Kind::statusNotifier ? hostShowsItems_ : x11::traySelectionOwner() != XCB_WINDOW_NONE;
}

void StatusItemTrayPresence::watchStatusNotifierHosts()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    auto* service = new QDBusServiceWatcher(
        watcherService, bus, QDBusServiceWatcher::WatchForRegistration | QDBusServiceWatcher::WatchForUnregistration,
        this);
    connect(service, &QDBusServiceWatcher::serviceRegistered, this, &StatusItemTrayPresence::askWatcher);
    connect(service, &QDBusServiceWatcher::serviceUnregistered, this, [this] {
        ++question_;
        askAgain_ = false;
        setHostShowsItems(false);
    });
    for (const char* signal : {"StatusNotifierHostRegistered", "StatusNotifierHostUnregistered"})
        bus.connect(watcherService, watcherPath, watcherInterface, QString::fromLatin1(signal), this, SLOT(askWatcher()));
    // Asked once the watches are in place, so that no change slips between.
    hostShowsItems_ = hostShowsItemsNow();
}

void StatusItemTrayPresence::askWatcher()
{
    // One question at a time: a watcher that floods its signals would otherwise have a
    // question wait for each. What changed meanwhile is asked once the answer is in.
    if (asking_) {
        askAgain_ = true;
        return;
    }
    asking_ = true;
    const std::uint64_t question = ++question_;
    auto* pending =
        new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(hostQuestion(), watcherTimeoutMs), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this, question](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        asking_ = false;
        if (std::exchange(askAgain_, false))
            askWatcher();
        else if (question == question_)
            setHostShowsItems(saysHostShowsItems(call->reply()));
    });
}

void StatusItemTrayPresence::setHostShowsItems(bool shows)
{
    if (shows == hostShowsItems_) return;
    hostShowsItems_ = shows;
    tellChange();
}

void StatusItemTrayPresence::tellChange()
{
    pendingChange_.cancel();
    pendingChange_ =
        dispatch::main().asyncAfter(steadyFor, lifetime_.guard([](StatusItemTrayPresence& self) { self.changed_(); }));
}

}  // namespace ui
