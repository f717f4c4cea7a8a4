#include "app/ParkingSetup.h"

#include "parking/VirtualDisplayController.h"
#include "parking/WindowParking.h"
#include "parking/display/DisplayController.h"
#include "parking/ledger/ParkingController.h"

namespace app {

void installParking()
{
    auto& displays = parking::DisplayController::shared();
    displays.adoptDeclaredDisplays();
    parking::ParkingController::shared()->startAfresh();
    VirtualDisplayController::install(
        [](desktop::DisplayID displayID) { return parking::DisplayController::shared().isVirtual(displayID); });
    WindowParking::install(parking::ParkingController::shared());
    parking::ParkingController::shared()->watchVirtualDisplaysAtLaunch();
}

}  // namespace app
