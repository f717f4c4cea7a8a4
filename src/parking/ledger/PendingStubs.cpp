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

// ---- restore, give-back, lending (RestoreWatch.cpp, Restore.cpp, GiveBack.cpp, Lending.cpp) ----
bool ParkingController::isBorrowedByPinnedPreview(desktop::WindowID) { return false; }
void ParkingController::restoreAsync(desktop::WindowID) {}
bool ParkingController::bringBackForUser(desktop::WindowID) { return false; }
std::optional<core::Rect> ParkingController::takeOver(desktop::WindowID) { return std::nullopt; }
void ParkingController::giveBack(desktop::WindowID) {}
void ParkingController::releaseTakeover(desktop::WindowID) {}
void ParkingController::restoreAllBlocking(double) {}
void ParkingController::restoreForActivatedApp(desktop::Pid, std::optional<desktop::Pid>) {}
void ParkingController::startRestoreWatchLocked() {}
void ParkingController::stopRestoreWatchLocked() {}
void ParkingController::checkRestoreLocked() {}
bool ParkingController::restoreLocked(desktop::WindowID, double, bool) { return true; }
std::optional<core::Point> ParkingController::moveWindowTo(desktop::WindowID, desktop::Pid, const core::Rect&)
{
    return std::nullopt;
}
void ParkingController::finish(const Parked&, double, const std::optional<std::string>&, bool) {}
void ParkingController::recordFutileRestoreLocked(desktop::WindowID) {}
core::Rect ParkingController::homeFrame(const Parked& record) const { return record.originalFrame; }
void ParkingController::restoreForActivatedAppLocked(desktop::Pid, std::optional<desktop::Pid>) {}
bool ParkingController::bringBackForUserLocked(desktop::WindowID) { return false; }
// ---- end of restore ----

}  // namespace parking
