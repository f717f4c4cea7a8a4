// The restore watcher: once a second, gives back parked windows whose place has stayed
// clear long enough, and the futile-restore rule that makes it wait longer.
#include "parking/ledger/ParkingController.h"

#include "capture/OcclusionProbe.h"
#include "parking/ledger/VDLog.h"
#include "parking/ledger/WindowList.h"
#include "platform/desktop/Desktop.h"
#include "platform/dispatch/WhileAlive.h"

#include <cassert>
#include <string>

namespace parking {
namespace {

using windowlist::rectDesc;

constexpr int clearTicksNeeded = 2;
constexpr int clearTicksNeededWhenFutile = 8;
constexpr double futileWindow = 30;       // a re-park this soon after a give-back
constexpr double futileSeriesSpan = 120;  // futile restores further apart start a new series

}  // namespace

void ParkingController::startRestoreWatchLocked()
{
    assert(q_.isCurrent());
    if (restoreTimer_.isActive()) return;
    restoreTimer_ = dispatch::Timer(
        q_, 1.0, dispatch::whileAlive(weak_from_this(), [](ParkingController& self) { self.checkRestoreLocked(); }));
    VDLog::write("还原看守已启动（1s 心跳）");
}

void ParkingController::stopRestoreWatchLocked()
{
    assert(q_.isCurrent());
    restoreTimer_.cancel();
    VDLog::write("还原看守已停止（没有停放中的窗口）");
}

void ParkingController::checkRestoreLocked()
{
    assert(q_.isCurrent());
    if (parked_.empty()) {
        stopRestoreWatchLocked();
        return;
    }
    std::erase_if(siblingHold_, [this](const auto& entry) { return !parked_.contains(entry.first); });
    if (!futileRestores_.empty()) {
        const double now = dispatch::now();
        std::erase_if(futileRestores_, [now](const auto& entry) { return now - entry.second.lastAt > futileSeriesSpan; });
    }

    // Own windows count as covers here as they do for the park; only the other parked
    // windows never cover a place.
    const std::set<desktop::WindowID> excluded = parkedIDSet();
    const std::vector<std::pair<desktop::WindowID, Parked>> snapshot(parked_.begin(), parked_.end());
    for (const auto& [id, record] : snapshot) {
        const std::string name = "#" + std::to_string(id) + "（" + record.ownerName + "）";
        const auto bounds = windowlist::bounds(id);
        if (!bounds) {
            unfileParked(id);
            restoreFailureLogged_.erase(id);
            VDLog::write("停放记录清理：窗口 " + name + "已不存在（被关掉/应用退出）");
            continue;
        }
        // A lingering zombie is no real screen: its windows are still out of sight.
        if (!isVirtualOrZombie(windowlist::display(*bounds))) {
            unfileParked(id);
            restoreFailureLogged_.erase(id);
            lastRestoredAt_[id] = dispatch::now();
            lastRestoreExplicit_[id] = false;
            strayed_[id] = record;
            VDLog::write("停放记录改为待用：窗口 " + name + "已不在虚拟屏 ⇒ 不再看守，但留住真正的原位 " +
                         rectDesc(record.originalFrame) + "（关小窗/⌘Tab/固定预览接管都会用它）");
            continue;
        }
        const auto list = desktop::windowServer().windowList(desktop::WindowListOption::onScreenOnly, 0, true);
        if (!list || !OcclusionProbe::indexOf(id, *list)) {
            unoccludedTicks_.erase(id);
            continue;
        }
        if (OcclusionProbe::occluderInfo(id, record.originalFrame, excluded, {}, &*list)) {
            unoccludedTicks_.erase(id);
            continue;
        }
        if (const auto sibling = OcclusionProbe::siblingOccluder(id, record.originalFrame, excluded, {})) {
            if (siblingHold_.emplace(id, *sibling).second)
                VDLog::write("还原看守：窗口 " + name + "原位 " + rectDesc(record.originalFrame) +
                             "仍被**它自己应用里的其它窗口**盖着（" + *sibling + "）⇒ 继续停放" +
                             "（跨屏搬动把源窗口抬到了兄弟窗口之前，此时按「谁排在前面」判会误答没被盖住）");
            unoccludedTicks_.erase(id);
            continue;
        }

        siblingHold_.erase(id);
        const auto futile = futileRestores_.find(id);
        const int futileCount = futile == futileRestores_.end() ? 0 : futile->second.count;
        const int threshold = futileCount > 1 ? clearTicksNeededWhenFutile : clearTicksNeeded;
        const int ticks = ++unoccludedTicks_[id];
        if (ticks < threshold) continue;
        unoccludedTicks_.erase(id);
        std::string line = "还原条件满足：窗口 " + name + "原位 " + rectDesc(record.originalFrame) + "已连续 " +
                           std::to_string(ticks) + " 跳（≈" + std::to_string(ticks) + "s）不被任何窗口盖住";
        if (futileCount >= 2)
            line += "（⚠️ 已白还 " + std::to_string(futileCount) + " 次 ⇒ 门槛已抬高到 " +
                    std::to_string(clearTicksNeededWhenFutile) + " 跳）";
        VDLog::write(line);
        restoreLocked(id, dispatch::now(), false);
    }
}

void ParkingController::recordFutileRestoreLocked(desktop::WindowID windowID)
{
    assert(q_.isCurrent());
    // A new record: whatever failed for the old one is a new condition now.
    restoreFailureLogged_.erase(windowID);
    const std::string id = std::to_string(windowID);
    if (const auto explicitRequest = lastRestoreExplicit_.find(windowID);
        explicitRequest != lastRestoreExplicit_.end() && explicitRequest->second) {
        VDLog::write("白还记账跳过：窗口 #" + id + " 上一次还原是**用户明确要求**的" +
                     "（双击小窗 / 工具栏 / ⌘` 轮到它）⇒ 不计入白还，自动还原门槛不受它影响");
        return;
    }
    const auto restored = lastRestoredAt_.find(windowID);
    const double now = dispatch::now();
    if (restored == lastRestoredAt_.end() || now - restored->second > futileWindow) return;

    const auto previous = futileRestores_.find(windowID);
    const bool sameSeries = previous != futileRestores_.end() && now - previous->second.lastAt <= futileSeriesSpan;
    const int count = sameSeries ? previous->second.count + 1 : 1;
    futileRestores_[windowID] = FutileRestores{count, now};
    if (count == 2)
        VDLog::write("⚠️ 来回摆探测：窗口 #" + id + " 已连续 " + std::to_string(2) +
                     " 次「刚还原就又被遮挡」" + "（每次都在 " + std::to_string(static_cast<int>(futileWindow)) +
                     "s 内）⇒ 上次还原是**白还**的。" + "此后还原门槛抬到「原位连续 " +
                     std::to_string(clearTicksNeededWhenFutile) + " 跳（≈" +
                     std::to_string(clearTicksNeededWhenFutile) + "s）不被盖住」" +
                     "（免得每 2~7 秒把原应用弹出来一次）。遮挡者真的走了、或用户回到源应用，仍会正常还原。");
}

}  // namespace parking
