#include "parking/display/DisplayController.h"

#include "platform/defaults/Defaults.h"

namespace parking {

bool DisplayController::isFeatureEnabled()
{
    if (!VDAvailable()) return false;
    return defaults::Defaults::standard().boolean("virtualDisplayPark").value_or(true);
}

}  // namespace parking

namespace parking {

DisplayController::DisplayController() : serialSeed_(0) {}
DisplayController::~DisplayController() = default;

DisplayController& DisplayController::shared()
{
    static DisplayController instance;
    return instance;
}

void DisplayController::terminateAll() {}

}  // namespace parking
