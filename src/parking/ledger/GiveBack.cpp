// Give-backs on request: the source application was activated, the user asked for one
// window, or the application quits.
#include "parking/ledger/ParkingController.h"

#include "capture/NumberText.h"
#include "capture/OcclusionProbe.h"
#include "parking/ledger/VDLog.h"
#include "platform/desktop/Desktop.h"
#include "platform/dispatch/Semaphore.h"
#include "platform/dispatch/WhileAlive.h"

#include <cassert>
#include <cmath>
#include <string>

namespace parking {
namespace {

std::string join(const std::vector<std::string>& parts, const std::string& separator)
{
    std::string text;
    for (const auto& part : parts) text += (text.empty() ? "" : separator) + part;
    return text;
}

}  // namespace

void ParkingController::restoreForActivatedApp(desktop::Pid pid, std::optional<desktop::Pid> frontmostPID)
{
    q_.async(dispatch::whileAlive(weak_from_this(), [pid, frontmostPID](ParkingController& self) {
        self.restoreForActivatedAppLocked(pid, frontmostPID);
    }));
}

void ParkingController::restoreForActivatedAppLocked(desktop::Pid pid, std::optional<desktop::Pid> frontmostPID)
{
    assert(q_.isCurrent());
    settlePendingParksLocked();
    std::vector<desktop::WindowID> ids;
    std::string name;
    for (const auto* table : {&parked_, &strayed_}) {
        for (const auto& [id, record] : *table) {
            if (record.pid != pid) continue;
            if (name.empty()) name = record.ownerName;
            ids.push_back(id);
        }
    }
    if (ids.empty()) return;
    const std::string pidText = std::to_string(pid);
    if (frontmostPID != pid) {
        VDLog::write("激活通知来自 " + name + "（pid " + pidText + "），但当时最前台是 " +
                     (frontmostPID ? "pid " + std::to_string(*frontmostPID) : std::string("未知")) +
                     " ⇒ 判为**伪通知**，不交还（继续停放它）");
        return;
    }

    // Own windows cover a place here as they do for the park, or the window would bounce.
    const std::set<desktop::WindowID> excluded = parkedIDSet();
    std::vector<desktop::WindowID> giveBack;
    std::vector<std::string> held;
    for (const desktop::WindowID id : ids) {
        const auto parked = parked_.find(id);
        if (parked == parked_.end()) {
            giveBack.push_back(id);  // strayed: given back without a cover test
            continue;
        }
        const Parked& record = parked->second;
        std::optional<std::string> cover;
        const auto list = desktop::windowServer().windowList(desktop::WindowListOption::onScreenOnly, 0, true);
        if (!list)
            cover = "（读不到窗口列表，保守视为仍被遮挡）";
        else if (!OcclusionProbe::indexOf(id, *list))
            cover = "（源窗口不在在屏列表，保守视为仍被遮挡）";
        else if (const auto occluder = OcclusionProbe::occluderInfo(id, record.originalFrame, excluded, {}, &*list))
            cover = OcclusionProbe::describe(*occluder);
        else
            cover = OcclusionProbe::siblingOccluder(id, record.originalFrame, excluded, {});
        if (cover)
            held.push_back("#" + std::to_string(id) + "（" + record.ownerName + "，原位仍被 " + *cover + " 盖着）");
        else
            giveBack.push_back(id);
    }
    if (!held.empty())
        VDLog::write("源应用被激活（pid " + pidText + "，已确认在最前台），但原位还被盖着 ⇒ **暂不交还** " +
                     join(held, "；") + "（还回去用户也看不见，下一跳又会再停一次；遮挡者一走就自动还原）");
    if (giveBack.empty()) return;
    VDLog::write("源应用被激活（pid " + pidText + "，已确认在最前台）⇒ 交还它 " + std::to_string(giveBack.size()) +
                 " 个被停放的窗口");
    for (const desktop::WindowID id : giveBack) restoreLocked(id, dispatch::now(), false);
}

bool ParkingController::bringBackForUser(desktop::WindowID windowID)
{
    assert(q_.isCurrent());
    return bringBackForUserLocked(windowID);
}

bool ParkingController::bringBackForUserLocked(desktop::WindowID windowID)
{
    assert(q_.isCurrent());
    pruneLocked(dispatch::now());
    settlePendingParksLocked();
    const std::string id = std::to_string(windowID);
    if (parked_.contains(windowID) || strayed_.contains(windowID) || pendingParks_.contains(windowID)) {
        const bool ok = restoreLocked(windowID, dispatch::now(), true);
        VDLog::write(std::string("用户要求打开原应用（显式动作 ⇒ 越过「原位还被盖着就暂不交还」那道闸门）") +
                     (ok ? "已把 #" + id + " 从虚拟屏搬回原位" : "⚠️ 搬回失败 #" + id + "，它可能仍停在虚拟屏上"));
        return ok;
    }
    if (suspended_.contains(windowID)) {
        VDLog::write("用户要求打开 #" + id + "：它正被固定预览接管借走（本就在物理屏上）⇒ 不动它");
        return false;
    }
    return rescueForeignLocked(windowID, "用户要求打开原应用", true);
}

void ParkingController::restoreAllBlocking(double timeout)
{
    // The queue would wait for itself.
    assert(!q_.isCurrent());
    assert(std::isfinite(timeout));
    dispatch::Semaphore done;
    const auto restoreAll = dispatch::whileAlive(weak_from_this(), [](ParkingController& self) {
        self.settlePendingParksLocked();
        std::vector<desktop::WindowID> ids = self.parkedWindowIDs();
        for (const auto* table : {&self.strayed_, &self.pendingParks_})
            for (const auto& [id, record] : *table) ids.push_back(id);
        // Lent windows stay with the takeover.
        for (const desktop::WindowID id : ids) self.restoreLocked(id, dispatch::now(), false);
    });
    q_.async([restoreAll, done]() mutable {
        restoreAll();
        done.signal();
    });
    if (!done.wait(timeout))
        VDLog::write("退出还原：等待超时（" + capture::wholeText(timeout) +
                     "s）⇒ 放弃等待（进程退出时系统会收走虚拟屏）");
}

}  // namespace parking
