#include "scenario/LockHolder.h"

#include "platform/linux/InstanceLock.h"
#include "platform/sim/SimWorkspace.h"

namespace scenario {

void announceLockHolder(sim::SimWorkspace& workspace)
{
    const std::string folder = linuxdesktop::InstanceLock::defaultFolder();
    const auto pid = linuxdesktop::InstanceLock::otherLiveHolder(folder);
    if (!pid) return;
    workspace.setOtherInstance(sim::SimWorkspace::OtherInstance{
        static_cast<desktop::Pid>(*pid), [folder] { linuxdesktop::InstanceLock::sendReopen(folder); }});
}

}  // namespace scenario
