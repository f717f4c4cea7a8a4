// Lending a parked window to a pinned preview's takeover, and taking it back.
#include "parking/ledger/ParkingController.h"

#include "parking/ledger/VDLog.h"
#include "parking/ledger/WindowList.h"
#include "platform/desktop/Desktop.h"

#include <cassert>
#include <string>

namespace parking {
namespace {

using windowlist::rectDesc;

}  // namespace

std::optional<core::Rect> ParkingController::takeOver(desktop::WindowID windowID)
{
    assert(q_.isCurrent());
    const double now = dispatch::now();
    pruneLocked(now);
    const std::string id = std::to_string(windowID);
    // A loan ages from now, not from the park (savedAt keeps that).
    if (auto record = unfileParked(windowID)) {
        record->lentAt = now;
        suspended_[windowID] = *record;
        // The loan breaks any run of clear ticks; a failure logged for the parked record is
        // of the past.
        unoccludedTicks_.erase(windowID);
        restoreFailureLogged_.erase(windowID);
        if (parked_.empty()) stopRestoreWatchLocked();
        const auto display = desktop::displays().display(record->virtualDisplayID);
        VDLog::write("固定预览接管：借出窗口 #" + id + "（" + record->ownerName + "）⇒ 真正的原位 " +
                     rectDesc(record->originalFrame) + "（它此刻停在虚拟屏 " +
                     rectDesc(display ? display->frame : core::Rect()) + " 上，绝不能拿当前 frame 当原位）");
        return record->originalFrame;
    }
    if (auto node = strayed_.extract(windowID)) {
        Parked& record = node.mapped();
        record.lentAt = now;
        suspended_[windowID] = record;
        restoreFailureLogged_.erase(windowID);
        VDLog::write("固定预览接管：借出窗口 #" + id + " ⇒ 沿用留存的真正原位 " + rectDesc(record.originalFrame) +
                     "（它已不在虚拟屏）");
        return record.originalFrame;
    }
    return std::nullopt;
}

void ParkingController::giveBack(desktop::WindowID windowID)
{
    assert(q_.isCurrent());
    auto node = suspended_.extract(windowID);
    if (!node) return;
    Parked record = node.mapped();
    record.lentAt = record.savedAt;
    const std::string name = "#" + std::to_string(windowID) + "（" + record.ownerName + "）";
    const auto bounds = windowlist::bounds(windowID);
    // A lingering zombie is no real screen either: the window is still out of sight.
    if (bounds && isVirtualOrZombie(windowlist::display(*bounds))) {
        fileParked(record);
        startRestoreWatchLocked();
        VDLog::write("固定预览接管放弃：窗口 " + name + "仍在虚拟屏上，看守恢复");
        return;
    }
    strayed_[windowID] = record;
    VDLog::write("固定预览接管放弃：窗口 " + name + "已不在虚拟屏 ⇒ 只留真正原位 " + rectDesc(record.originalFrame));
}

void ParkingController::releaseTakeover(desktop::WindowID windowID)
{
    assert(q_.isCurrent());
    auto node = suspended_.extract(windowID);
    if (!node) return;
    VDLog::write("固定预览接管结束：丢弃借出记录 #" + std::to_string(windowID) + "（" + node.mapped().ownerName +
                 "，已还原到真正的原位）");
}

bool ParkingController::isBorrowedByPinnedPreview(desktop::WindowID windowID)
{
    assert(q_.isCurrent());
    const auto lent = suspended_.find(windowID);
    return lent != suspended_.end() && dispatch::now() - lent->second.lentAt <= staleRecordAge;
}

}  // namespace parking
