// Stand-ins for members still being written; each block goes when its code lands.
#include "parking/ledger/ParkingController.h"
#include "parking/ledger/Placement.h"
#include "parking/ledger/WindowMover.h"

namespace parking {

// ---- park (ParkRequest.cpp, WindowMover.cpp, Placement.cpp) ----
ParkingController::RescueOutcome ParkingController::rescueOutcome(desktop::WindowID) { return RescueOutcome::failed; }
void ParkingController::prewarmDisplay(desktop::WindowID) {}
ParkingController::RescueOutcome ParkingController::rescueLocked(desktop::WindowID) { return RescueOutcome::failed; }
bool ParkingController::parkLocked(desktop::WindowID, desktop::DisplayID) { return false; }
bool ParkingController::replotLocked(desktop::WindowID) { return false; }
void ParkingController::prewarmLocked(desktop::WindowID) {}
void ParkingController::verifyOnScreenQueryCoversVirtual(desktop::WindowID) {}
std::optional<Placement> pickPlacement(const core::Rect&, double, const core::Size&, const std::vector<core::Rect>&)
{
    return std::nullopt;
}
std::vector<desktop::Element> WindowMover::axWindows(const core::Rect&, desktop::Pid, AXMatch) { return {}; }
std::optional<core::Rect> WindowMover::axFrame(const desktop::Element&) { return std::nullopt; }
std::optional<core::Rect> WindowMover::moveWindow(desktop::WindowID, desktop::Pid, const core::Rect&, const core::Rect&,
                                                  std::optional<desktop::DisplayID>, AXMatch)
{
    return std::nullopt;
}
// ---- end of park ----

// ---- foreign-window rescue (ForeignRescue.cpp) ----
void ParkingController::startForeignWatchLocked() {}
void ParkingController::checkForeignLocked() {}
std::map<desktop::WindowID, std::pair<core::Rect, desktop::Pid>> ParkingController::foreignWindowCandidates() { return {}; }
bool ParkingController::rescueForeignLocked(desktop::WindowID, const std::string&, bool) { return false; }
// ---- end of foreign-window rescue ----

}  // namespace parking
