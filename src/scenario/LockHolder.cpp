#include "scenario/LockHolder.h"

#include "platform/linux/InstanceLock.h"
#include "platform/sim/SimWorkspace.h"

#include <QLockFile>

#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace scenario {
namespace {

bool isAlive(qint64 pid)
{
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

}  // namespace

void announceLockHolder(sim::SimWorkspace& workspace)
{
    const std::string folder = linuxdesktop::InstanceLock::defaultFolder();
    // An unfit folder is the application's to report; it then skips the rule.
    if (linuxdesktop::InstanceLock::prepareFolder(folder)) return;
    qint64 pid = 0;
    QString host, application;
    QLockFile lock(QString::fromStdString(linuxdesktop::InstanceLock(folder).lockPath()));
    if (!lock.getLockInfo(&pid, &host, &application) || pid == ::getpid() || !isAlive(pid)) return;
    workspace.setOtherInstance(sim::SimWorkspace::OtherInstance{
        static_cast<desktop::Pid>(pid), [folder] { linuxdesktop::InstanceLock::sendReopen(folder); }});
}

}  // namespace scenario
