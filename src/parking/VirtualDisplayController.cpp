#include "parking/VirtualDisplayController.h"

VirtualDisplayController& VirtualDisplayController::shared()
{
    static VirtualDisplayController instance;
    return instance;
}

// No virtual display exists until parking creates them.
bool VirtualDisplayController::isVirtual(desktop::DisplayID) const { return false; }
