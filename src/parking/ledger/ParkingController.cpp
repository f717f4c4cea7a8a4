#include "parking/ledger/ParkingController.h"

#include "parking/WindowParking.h"
#include "parking/display/DisplayController.h"
#include "parking/ledger/WindowList.h"

#include <cassert>
#include <cmath>

namespace parking {

ParkingController::ParkingController(dispatch::Queue queue, DisplayController& displays)
    : q_(std::move(queue)), displays_(displays)
{
}

ParkingController::~ParkingController() = default;

const std::shared_ptr<ParkingController>& ParkingController::shared()
{
    // Lives as long as the process, like the displays it parks on.
    static const auto* instance = new std::shared_ptr<ParkingController>(
        std::make_shared<ParkingController>(WindowParking::shared().queue(), DisplayController::shared()));
    return *instance;
}

void ParkingController::startAfresh()
{
    q_.sync([this] {
        parked_.clear();
        strayed_.clear();
        suspended_.clear();
        lastRestoredAt_.clear();
        lastRestoreExplicit_.clear();
        unoccludedTicks_.clear();
        siblingHold_.clear();
        futileRestores_.clear();
        restoreFailureLogged_.clear();
        restoreTimer_.cancel();
        foreignTicks_.clear();
        foreignRescuedAt_.clear();
        foreignFailures_.clear();
        foreignFrontLogged_.clear();
        foreignSuppressed_ = false;
        foreignTimer_.cancel();
        parkedCount_ = 0;
        pendingParks_.clear();
        onScreenQueryVerified = false;
        onScreenOnlyCoversVirtual = true;
    });
}

void ParkingController::pruneLocked(double now)
{
    assert(q_.isCurrent());
    std::erase_if(strayed_, [now](const auto& entry) {
        return !windowlist::bounds(entry.first) || now - entry.second.savedAt > staleRecordAge;
    });
    // A loan ages from the lending: a window parked long ago is not dropped the moment
    // a takeover borrows it.
    std::erase_if(suspended_, [now](const auto& entry) {
        return !windowlist::bounds(entry.first) || now - entry.second.lentAt > staleRecordAge;
    });
}

void ParkingController::fileParked(const Parked& record)
{
    parked_[record.windowID] = record;
    parkedCount_.store(static_cast<int>(parked_.size()));
}

std::optional<Parked> ParkingController::unfileParked(desktop::WindowID windowID)
{
    const auto found = parked_.find(windowID);
    if (found == parked_.end()) return std::nullopt;
    Parked record = found->second;
    parked_.erase(found);
    parkedCount_.store(static_cast<int>(parked_.size()));
    return record;
}

bool ParkingController::isVirtualOrZombie(desktop::DisplayID displayID) const
{
    return displays_.isVirtual(displayID) || displays_.isZombie(displayID);
}

std::set<desktop::WindowID> ParkingController::parkedIDSet() const
{
    std::set<desktop::WindowID> ids;
    for (const auto& [id, record] : parked_) ids.insert(id);
    return ids;
}

int ParkingController::parkedCount()
{
    assert(q_.isCurrent());
    return static_cast<int>(parked_.size());
}

std::optional<Parked> ParkingController::parkedWindow(desktop::Pid pid, const core::Rect& frame)
{
    assert(q_.isCurrent());
    const auto near = [](double a, double b) { return std::abs(a - b) <= 2; };
    for (const auto& [id, record] : parked_) {
        if (record.pid != pid) continue;
        const auto now = windowlist::bounds(id);
        if (!now) continue;
        if (near(now->minX(), frame.minX()) && near(now->minY(), frame.minY()) && near(now->width(), frame.width()) &&
            near(now->height(), frame.height()))
            return record;
    }
    return std::nullopt;
}

std::vector<desktop::Pid> ParkingController::parkedPIDs()
{
    assert(q_.isCurrent());
    std::set<desktop::Pid> pids;
    for (const auto& [id, record] : parked_) pids.insert(record.pid);
    return {pids.begin(), pids.end()};
}

std::vector<desktop::WindowID> ParkingController::parkedWindowIDs()
{
    assert(q_.isCurrent());
    std::vector<desktop::WindowID> ids;
    for (const auto& [id, record] : parked_) ids.push_back(id);
    return ids;
}

}  // namespace parking
