// Stand-ins for members still being written; each block goes when its code lands.
#include "parking/ledger/ParkingController.h"

namespace parking {

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

// ---- foreign-window rescue (ForeignRescue.cpp) ----
void ParkingController::startForeignWatchLocked() {}
void ParkingController::checkForeignLocked() {}
std::map<desktop::WindowID, std::pair<core::Rect, desktop::Pid>> ParkingController::foreignWindowCandidates() { return {}; }
bool ParkingController::rescueForeignLocked(desktop::WindowID, const std::string&, bool) { return false; }
// ---- end of foreign-window rescue ----

}  // namespace parking
