#include "platform/linux/InstanceLock.h"

#include "platform/core/OwnFolder.h"
#include "platform/core/Paths.h"

#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QPointer>
#include <QTimer>
#include <QVariant>

#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace linuxdesktop {
namespace {

constexpr const char* lockFileName = "instance.lock";
const QByteArray reopenMessage = QByteArrayLiteral("reopen");
// A connection that says nothing useful within this time is dropped.
constexpr int connectionTimeoutMs = 1000;
// Connections held at once; the oldest goes first. Holding every one a flood opens would
// use up the descriptors, and the toolkit closes the listening socket, file and all, when
// it cannot accept.
constexpr std::size_t heldConnectionCap = 32;

bool isAlive(qint64 pid) { return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM); }

// Anything but a regular file where the lock file should be is left alone: a FIFO would
// hold the toolkit's open for good.
bool lockFileIsForeign(const std::string& folder)
{
    return core::OwnFolder::openPath(folder, core::OwnFolder::Missing::fail).holdsForeignEntry(lockFileName);
}

int milliseconds(double seconds) { return static_cast<int>(std::clamp(std::ceil(seconds * 1000), 0.0, 2147483647.0)); }

}  // namespace

std::string InstanceLock::defaultFolder() { return core::paths::runtimeFolder() + "/glimra"; }

std::optional<std::string> InstanceLock::prepareFolder(const std::string& folder)
{
    const std::filesystem::path path(folder);
    const std::string parent = path.parent_path().string();
    // The runtime folder the user named may be reached through links; any other (the
    // fallback in the shared temporary folder) may be a link or folder another user
    // planted, and is used only when it is this user's own.
    const char* named = std::getenv("XDG_RUNTIME_DIR");
    const bool userNamed = named && parent == named;
    const auto base = userNamed ? core::OwnFolder::open(parent, "", core::OwnFolder::Missing::fail)
                                : core::OwnFolder::openPath(parent, core::OwnFolder::Missing::fail);
    if (!base) return base.refusal();
    struct stat status {};
    if (!userNamed && (::fstat(base.descriptor(), &status) != 0 || status.st_uid != ::geteuid()))
        return parent + ": belongs to another user";
    const auto own = base.child(path.filename().string(), core::OwnFolder::Missing::create);
    if (!own) return own.refusal();
    if (::fstat(own.descriptor(), &status) != 0) return folder + ": cannot be read (" + std::strerror(errno) + ")";
    if (status.st_uid != ::geteuid()) return folder + ": belongs to another user";
    if ((status.st_mode & 077) != 0) return folder + ": is open to group or others";
    return std::nullopt;
}

InstanceLock::InstanceLock(std::string folder)
    : folder_(std::move(folder)), lock_(std::make_unique<QLockFile>(QString::fromStdString(lockPath())))
{
    // Only a lock whose holder has died is stale, never one that is merely old.
    lock_->setStaleLockTime(0);
}

InstanceLock::~InstanceLock()
{
    if (server_) {
        server_->close();  // removes the socket file
        delete server_;
    }
    lock_->unlock();
}

std::string InstanceLock::lockPath() const { return folder_ + "/" + lockFileName; }
std::string InstanceLock::socketPath() const { return folder_ + "/instance.sock"; }

InstanceLock::Result InstanceLock::tryLock() { return waitForRelease(0); }

InstanceLock::Result InstanceLock::waitForRelease(double timeoutSeconds)
{
    if (lock_->isLocked()) return Result::acquired;
    if (lockFileIsForeign(folder_)) return Result::failed;
    const auto folder = core::OwnFolder::openPath(folder_, core::OwnFolder::Missing::fail);
    if (lock_->tryLock(milliseconds(timeoutSeconds))) {
        // The toolkit makes the file as the umask allows; like every file of ours it is
        // this user's alone.
        if (const int fd = folder.openFile(lockFileName, O_RDONLY); fd >= 0) {
            ::fchmod(fd, 0600);
            ::close(fd);
        }
        return Result::acquired;
    }
    return lock_->error() == QLockFile::LockFailedError ? Result::heldByOther : Result::failed;
}

bool InstanceLock::isHeld() const { return lock_->isLocked(); }

std::optional<long long> InstanceLock::holderPid() const
{
    qint64 pid = 0;
    QString host;
    QString application;
    if (lock_->isLocked() || !lock_->getLockInfo(&pid, &host, &application) || pid <= 0) return std::nullopt;
    return pid;
}

std::optional<long long> InstanceLock::otherLiveHolder(const std::string& folder)
{
    if (prepareFolder(folder) || lockFileIsForeign(folder)) return std::nullopt;
    qint64 pid = 0;
    QString host;
    QString application;
    QLockFile lock(QString::fromStdString(InstanceLock(folder).lockPath()));
    if (!lock.getLockInfo(&pid, &host, &application) || pid == ::getpid() || !isAlive(pid)) return std::nullopt;
    return pid;
}

bool InstanceLock::listen(std::function<void()> onReopen, std::string* error)
{
    const auto fail = [error](const std::string& reason) {
        if (error) *error = reason;
        return false;
    };
    if (!lock_->isLocked()) return fail("the instance lock is not held");
    if (server_) return fail("already listening");
    const QString path = QString::fromStdString(socketPath());
    QLocalServer::removeServer(path);  // a crashed holder's leftover
    auto* server = new QLocalServer;
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(path)) {
        const std::string reason = server->errorString().toStdString();
        delete server;
        return fail(reason);
    }
    server_ = server;
    onReopen_ = std::move(onReopen);
    connect(server_, &QLocalServer::newConnection, this, &InstanceLock::accept);
    return true;
}

void InstanceLock::accept()
{
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        if (held_.size() >= heldConnectionCap) {
            QLocalSocket* oldest = held_.front();
            held_.pop_front();
            oldest->abort();
        }
        held_.push_back(socket);
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
            std::erase(held_, socket);
            socket->deleteLater();
        });
        QTimer::singleShot(connectionTimeoutMs, socket, [socket] { socket->abort(); });
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            // Reads a few bytes at most; anything but the one message is ignored.
            auto received = socket->property("received").toByteArray();
            received += socket->read(reopenMessage.size() + 1 - received.size());
            socket->setProperty("received", received);
            if (received == reopenMessage) {
                socket->disconnectFromServer();
                if (auto callback = onReopen_) callback();
            } else if (!reopenMessage.startsWith(received)) {
                socket->abort();
            }
        });
    }
}

bool InstanceLock::sendReopen(const std::string& folder, double timeoutSeconds)
{
    QElapsedTimer elapsed;
    elapsed.start();
    const int budget = milliseconds(timeoutSeconds);
    const auto remaining = [&] { return static_cast<int>(std::max<qint64>(0, budget - elapsed.elapsed())); };
    QLocalSocket socket;
    socket.connectToServer(QString::fromStdString(folder + "/instance.sock"));
    if (!socket.waitForConnected(remaining())) return false;
    if (socket.write(reopenMessage) != reopenMessage.size()) return false;
    while (socket.bytesToWrite() > 0)
        if (!socket.waitForBytesWritten(remaining())) return false;
    socket.disconnectFromServer();
    return true;
}

}  // namespace linuxdesktop
