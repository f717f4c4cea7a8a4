#include "parking/VirtualDisplayController.h"

#include "parking/VDShim.h"
#include "platform/defaults/Defaults.h"
#include "platform/desktop/Desktop.h"

VirtualDisplayController& VirtualDisplayController::shared()
{
    static VirtualDisplayController instance;
    return instance;
}

bool VirtualDisplayController::isVirtual(desktop::DisplayID displayID) const
{
    return snapshot()->count(displayID) > 0;
}

void VirtualDisplayController::refreshDisplays()
{
    std::set<desktop::DisplayID> ids;
    for (const auto& display : desktop::displays().activeDisplays())
        if (display.isVirtual) ids.insert(display.id);
    publish(std::make_shared<const std::set<desktop::DisplayID>>(std::move(ids)));
}

void VirtualDisplayController::forgetDisplays()
{
    publish(std::make_shared<const std::set<desktop::DisplayID>>());
}

// The controller has made no display of its own, so there is nothing to end; it only
// stops counting the desktop's.
void VirtualDisplayController::terminateAll() { forgetDisplays(); }

bool VirtualDisplayController::isFeatureEnabled()
{
    if (!VDAvailable()) return false;
    return defaults::Defaults::standard().boolean("virtualDisplayPark").value_or(true);
}

VirtualDisplayController::Snapshot VirtualDisplayController::snapshot() const
{
    std::lock_guard lock(mutex_);
    return virtualIDs_;
}

void VirtualDisplayController::publish(Snapshot snapshot)
{
    std::lock_guard lock(mutex_);
    virtualIDs_ = std::move(snapshot);
}
