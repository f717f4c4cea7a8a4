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

// Stand-ins until the controller lands.
std::optional<desktop::DisplayID> DisplayController::ensureDisplay(desktop::DisplayID) { return std::nullopt; }
bool DisplayController::isVirtual(desktop::DisplayID) const { return false; }
bool DisplayController::isZombie(desktop::DisplayID) const { return false; }
std::vector<desktop::DisplayID> DisplayController::liveDisplayIDs() const { return {}; }
std::set<desktop::DisplayID> DisplayController::zombieIDs() const { return {}; }
bool DisplayController::hasLiveOrZombie() const { return false; }
void DisplayController::adoptDeclaredDisplays() {}

}  // namespace parking
