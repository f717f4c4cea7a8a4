// The park request of a frozen source window: the park onto the virtual display of its
// screen, the re-plot of a parked window that is covered there, the display prewarm and
// the one-time check of the on-screen window list.
#include "parking/ledger/ParkingController.h"

#include "capture/NumberText.h"
#include "capture/OcclusionProbe.h"
#include "parking/display/DisplayController.h"
#include "parking/display/VDShim.h"
#include "parking/ledger/VDLog.h"
#include "parking/ledger/WindowList.h"
#include "parking/ledger/WindowMover.h"
#include "platform/desktop/Desktop.h"
#include "platform/dispatch/WhileAlive.h"

#include <algorithm>
#include <cassert>
#include <cmath>

namespace parking {
namespace {

using capture::wholeText;
using windowlist::rectDesc;
using WindowMover::AXMatch;

constexpr int replotAttempts = 3;
constexpr int slotCount = 8;

std::string idText(desktop::WindowID windowID) { return std::to_string(windowID); }

// A display that is gone has empty bounds, where no slot fits.
core::Rect displayBounds(desktop::DisplayID displayID)
{
    const auto display = desktop::displays().display(displayID);
    return display ? display->frame : core::Rect();
}

}  // namespace

ParkingController::RescueOutcome ParkingController::rescueOutcome(desktop::WindowID windowID)
{
    assert(q_.isCurrent());
    return rescueLocked(windowID);
}

void ParkingController::prewarmDisplay(desktop::WindowID windowID)
{
    q_.async(
        dispatch::whileAlive(weak_from_this(), [windowID](ParkingController& self) { self.prewarmLocked(windowID); }));
}

ParkingController::RescueOutcome ParkingController::rescueLocked(desktop::WindowID windowID)
{
    assert(q_.isCurrent());
    const double now = dispatch::now();
    pruneLocked(now);
    settlePendingParksLocked();
    const std::string id = idText(windowID);

    if (!DisplayController::isFeatureEnabled()) {
        VDLog::write(std::string("遮挡自救：功能未开启（") +
                     (VDAvailable() ? "用户已关闭 virtualDisplayPark" : "系统不支持私有类") + "）");
        return RescueOutcome::failed;
    }
    if (parked_.count(windowID)) return replotLocked(windowID) ? RescueOutcome::parked : RescueOutcome::failed;
    if (suspended_.count(windowID)) {
        VDLog::write("遮挡自救：窗口 #" + id + " 正被固定预览接管经手，不动它");
        return RescueOutcome::failed;
    }
    if (const auto restored = lastRestoredAt_.find(windowID);
        restored != lastRestoredAt_.end() && now - restored->second < cooldown) {
        VDLog::write("遮挡自救：窗口 #" + id + " 刚还原 " + wholeText(now - restored->second) + "s，冷却中（" +
                     wholeText(cooldown) + "s）不再停（不消耗调用方额度）");
        return RescueOutcome::inCooldown;
    }
    const auto cover = OcclusionProbe::occluderInfo(windowID);
    if (!cover) {
        VDLog::write("遮挡自救：窗口 #" + id + " 此刻已不再被完全遮挡，放弃（不动它）");
        return RescueOutcome::failed;
    }
    const std::string coverText = OcclusionProbe::describe(*cover);
    const auto frame = windowlist::bounds(windowID);
    const auto owner = windowlist::ownerInfo(windowID);
    if (!frame || !owner) {
        VDLog::write("遮挡自救：窗口 #" + id + " 读不到 bounds/属主，放弃");
        return RescueOutcome::failed;
    }
    const desktop::DisplayID source = windowlist::display(*frame);
    if (isVirtualOrZombie(source)) {
        VDLog::write("遮挡自救：窗口 #" + id + " 已经在虚拟屏上，放弃");
        return RescueOutcome::failed;
    }
    VDLog::write("遮挡自救：" + owner->name + " #" + id + " 被 " + coverText + " 完全遮挡，搬到虚拟屏");
    return parkLocked(windowID, source) ? RescueOutcome::parked : RescueOutcome::failed;
}

bool ParkingController::parkLocked(desktop::WindowID windowID, desktop::DisplayID sourceDisplayID)
{
    assert(q_.isCurrent());
    pruneLocked(dispatch::now());
    const std::string id = idText(windowID);

    if (parked_.count(windowID)) return true;
    if (parked_.size() >= parkCap) {
        VDLog::write("已停放 " + std::to_string(parked_.size()) + " 个窗口，达上限 " + std::to_string(parkCap) +
                     "，拒绝再停");
        return false;
    }
    const auto frame = windowlist::bounds(windowID);
    if (!frame) {
        VDLog::write("窗口 " + id + " 读不到 bounds，放弃");
        return false;
    }
    const auto owner = windowlist::ownerInfo(windowID);
    if (!owner) {
        VDLog::write("窗口 " + id + " 读不到属主，放弃");
        return false;
    }
    const auto virtualDisplay = displays_.ensureDisplay(sourceDisplayID);
    if (!virtualDisplay) {
        VDLog::write("虚拟屏不可用（源屏 #" + std::to_string(sourceDisplayID) + "），本次不停放");
        return false;
    }
    const core::Rect virtualBounds = displayBounds(*virtualDisplay);

    std::vector<core::Rect> occupied;
    for (const auto& [other, record] : parked_)
        if (const auto at = windowlist::bounds(other)) occupied.push_back(*at);
    const auto placement = pickPlacement(virtualBounds, placementMargin, frame->size, occupied);
    if (!placement) {
        VDLog::write("窗口 " + id + " 停放失败：虚拟屏上 " + std::to_string(slotCount) + " 个落点都不行 ——" +
                     "要么它们都跟已停放窗口的矩形互相完全覆盖（接近满屏的窗口多了就会这样），" +
                     "要么这块虚拟屏挤不出落点（窗口比屏还大）");
        startForeignWatchLocked();
        return false;
    }

    auto landed =
        WindowMover::moveWindow(windowID, owner->pid, *frame, placement->rect, *virtualDisplay, AXMatch::originAndSize);
    desktop::DisplayID landedDisplay = *virtualDisplay;
    if (!landed) {
        // A move the list did not confirm may still have carried the window over: one that
        // sits there now is recorded, so it is never stranded without a way back.
        const auto after = windowlist::bounds(windowID);
        const desktop::DisplayID strandedOn = after ? windowlist::display(*after) : 0;
        if (!after || !isVirtualOrZombie(strandedOn)) {
            VDLog::write("窗口 " + id + " 停放失败（认不到对应的 AX 窗口 / 搬完不在目标屏内）：" + "目标 " +
                         rectDesc(placement->rect) + "，虚拟屏 " + rectDesc(virtualBounds));
            // A write that lands late is filed by the foreign-window watcher's next tick.
            if (after) {
                const double now = dispatch::now();
                pendingParks_[windowID] =
                    Parked{windowID, owner->pid, owner->name, *frame, sourceDisplayID, *virtualDisplay, now, now};
            }
            startForeignWatchLocked();
            return false;
        }
        logLateLanding(windowID, strandedOn, *after);
        landed = after;
        landedDisplay = strandedOn;
    }

    const double savedAt = dispatch::now();
    fileNewParkLocked(Parked{windowID, owner->pid, owner->name, *frame, sourceDisplayID, landedDisplay, savedAt, savedAt});

    std::string line = "已停放 " + owner->name + " #" + id + "  " + rectDesc(*frame) + " → 原点(" +
                       wholeText(landed->minX()) + "," + wholeText(landed->minY()) + ")";
    if (placement->resized)
        line += " 且**缩到** " + wholeText(landed->width()) + "x" + wholeText(landed->height()) +
                "（窗口比虚拟屏还大，不缩会铺满）";
    VDLog::write(line + "  屏 #" + std::to_string(sourceDisplayID) + " → #" + std::to_string(landedDisplay));

    startRestoreWatchLocked();
    startForeignWatchLocked();
    verifyOnScreenQueryCoversVirtual(windowID);
    return true;
}

void ParkingController::fileNewParkLocked(const Parked& record)
{
    assert(q_.isCurrent());
    fileParked(record);
    pendingParks_.erase(record.windowID);
    strayed_.erase(record.windowID);
    unoccludedTicks_.erase(record.windowID);
    siblingHold_.erase(record.windowID);
    recordFutileRestoreLocked(record.windowID);
}

void ParkingController::logLateLanding(desktop::WindowID windowID, desktop::DisplayID displayID, const core::Rect& at)
{
    VDLog::write("窗口 " + idText(windowID) + " 搬动没通过回读校验，但它已落在虚拟屏 #" + std::to_string(displayID) +
                 " 上 " + rectDesc(at) + " ⇒ 照样记为已停放");
}

bool ParkingController::replotLocked(desktop::WindowID windowID)
{
    assert(q_.isCurrent());
    const Parked record = parked_.at(windowID);
    const std::string id = idText(windowID);
    const std::string who = "遮挡自救：窗口 #" + id + "（" + record.ownerName + "）";

    const auto start = windowlist::bounds(windowID);
    if (!start) return true;
    if (!isVirtualOrZombie(windowlist::display(*start))) {
        VDLog::write("遮挡自救：窗口 #" + id + " 有停放记录但已不在虚拟屏 ⇒ 不重排（交给接管/还原那两条路）");
        return true;
    }
    const auto cover = OcclusionProbe::occluderInfo(windowID);
    if (!cover) return true;
    const std::string coverText = OcclusionProbe::describe(*cover);

    std::vector<core::Rect> occupied;
    for (const auto& [other, parkedRecord] : parked_) {
        if (other == windowID) continue;
        if (const auto at = windowlist::bounds(other)) occupied.push_back(*at);
    }
    if (const auto coverBounds = OcclusionProbe::boundsRect(*cover)) occupied.push_back(*coverBounds);

    const core::Rect virtualBounds = displayBounds(record.virtualDisplayID);
    core::Rect current = *start;
    for (int attempt = 1; attempt <= replotAttempts; ++attempt) {
        // The new place may neither contain the old one nor lie inside it.
        occupied.push_back(current);
        const auto placement = pickPlacement(virtualBounds, placementMargin, current.size, occupied);
        if (!placement) {
            VDLog::write("⚠️ " + who + "在虚拟屏上被 " + coverText + " 盖住，" + "但 " + std::to_string(slotCount) +
                         " 个落点都跟别的停放窗口互相完全覆盖 ⇒ 无处可挪（如实报告，不假装成功）");
            return false;
        }
        const auto landed = WindowMover::moveWindow(windowID, record.pid, current, placement->rect,
                                                    record.virtualDisplayID, AXMatch::originAndSize);
        if (!landed) {
            VDLog::write("⚠️ " + who + "在虚拟屏上被 " + coverText + " 盖住，" + "换落点 " +
                         rectDesc(placement->rect) + " 但**搬失败**（候选 AX 窗口都没通过回读校验）⇒ 仍可能定格");
            return false;
        }
        const core::Rect measured = windowlist::bounds(windowID).value_or(*landed);

        if (!OcclusionProbe::occluderInfo(windowID)) {
            const bool moved =
                std::abs(landed->minX() - start->minX()) > 1 || std::abs(landed->minY() - start->minY()) > 1;
            if (moved) {
                std::string line = who + "在虚拟屏上被 " + coverText + " 盖住 ⇒ 已换落点重排 " + rectDesc(*start) +
                                   " → " + rectDesc(*landed);
                if (attempt >= 2)
                    line += "（第 " + std::to_string(attempt) +
                            " 个槽位才真躲开：前一个是预测里没被吞、系统给的位置仍被吞）";
                VDLog::write(line + "（原来的落点只按槽位排，管不了后来谁盖住了它）");
            } else {
                VDLog::write(who + "的落点没变（" + rectDesc(*landed) + "），" +
                             "但已不再被完全遮挡 ⇒ 遮挡者自己让开了（不动它）");
            }
            return true;
        }
        VDLog::write("⚠️ " + who + "换到 " + rectDesc(placement->rect) + "，" + "系统实际给的是 " +
                     rectDesc(*landed) + " —— **实测矩形仍被完全遮挡** ⇒ 按实测位置继续找下一个落点");
        current = measured;
    }
    VDLog::write("⚠️ " + who + std::to_string(replotAttempts) + " 个落点试完，" +
                 "**实测**都还被完全遮挡 ⇒ 如实报告失败（不假装成功，上层按既有节奏重试）");
    return false;
}

void ParkingController::prewarmLocked(desktop::WindowID windowID)
{
    assert(q_.isCurrent());
    if (!DisplayController::isFeatureEnabled()) return;
    pruneLocked(dispatch::now());
    if (parked_.count(windowID) || suspended_.count(windowID)) return;
    const auto frame = windowlist::bounds(windowID);
    if (!frame) return;
    const desktop::DisplayID source = windowlist::display(*frame);
    if (isVirtualOrZombie(source)) return;
    if (displays_.ensureDisplay(source)) startForeignWatchLocked();
}

void ParkingController::verifyOnScreenQueryCoversVirtual(desktop::WindowID parkedWindowID)
{
    assert(q_.isCurrent());
    if (onScreenQueryVerified) return;
    onScreenQueryVerified = true;

    const auto list = desktop::windowServer().windowList(desktop::WindowListOption::onScreenOnly, 0, true);
    const bool listed = list && std::any_of(list->begin(), list->end(), [&](const desktop::WindowInfo& entry) {
                            return entry.number == parkedWindowID;
                        });
    const std::string id = idText(parkedWindowID);
    if (listed) {
        VDLog::write("在屏表自检：刚停放的 #" + id + " **在** [.optionOnScreenOnly] 里" +
                     " ⇒ 外来窗口侦测用它（2.3~4.2ms/次）");
        return;
    }
    onScreenOnlyCoversVirtual = false;
    VDLog::write("⚠️ 在屏表自检**没过**：[.optionOnScreenOnly] 里没有刚停放的 #" + id +
                 " ⇒ 外来窗口侦测退回 [.optionAll]（9.8~11.9ms/次）");
}

}  // namespace parking
