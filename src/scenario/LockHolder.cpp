#include "scenario/LockHolder.h"

#include "platform/linux/InstanceLock.h"
#include "platform/sim/SimWorkspace.h"

namespace scenario {

void announceLockHolder(sim::SimWorkspace& workspace)
{
    // An unfit folder is the application's to report; it then skips the rule.
    const auto pid = linuxdesktop::InstanceLock::otherHolder();
    if (!pid) return;
    const auto reopen = [] { linuxdesktop::InstanceLock::sendReopen(linuxdesktop::InstanceLock::defaultFolder()); };
    workspace.setOtherInstance(sim::SimWorkspace::OtherInstance{static_cast<desktop::Pid>(*pid), reopen});
}

}  // namespace scenario
