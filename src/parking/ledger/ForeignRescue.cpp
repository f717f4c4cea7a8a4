// The foreign-window watcher: windows of other applications that stand still on a
// virtual display (which shows nothing) are moved back to the nearest real display.
#include "parking/ledger/ParkingController.h"

#include "parking/WindowParking.h"
#include "parking/display/DisplayController.h"
#include "parking/ledger/RealScreens.h"
#include "parking/ledger/VDLog.h"
#include "parking/ledger/WindowList.h"
#include "parking/ledger/WindowMover.h"
#include "platform/desktop/Desktop.h"
#include "platform/dispatch/Queue.h"
#include "platform/dispatch/WhileAlive.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <set>
#include <string>
#include <vector>

namespace parking {
namespace {

constexpr double heartbeat = 1.0;
constexpr double stillTolerance = 1;
constexpr int ticksBeforeRescue = 5;
constexpr int rescuesPerTick = 3;
constexpr double quietSeconds = 60;
constexpr int failuresBeforeBackOff = 3;
constexpr double rescuedKeptSeconds = 300;
constexpr double failuresKeptSeconds = 60;
constexpr core::Size minimumSize{200, 150};
constexpr int moveAttempts = 2;

std::string number(long long value) { return std::to_string(value); }

bool standsStill(const core::Rect& before, const core::Rect& now)
{
    return std::abs(before.minX() - now.minX()) <= stillTolerance &&
           std::abs(before.minY() - now.minY()) <= stillTolerance &&
           std::abs(before.width() - now.width()) <= stillTolerance &&
           std::abs(before.height() - now.height()) <= stillTolerance;
}

// The pid of the application owning the focus, as accessibility reports it.
std::optional<desktop::Pid> frontmostPID()
{
    desktop::AXValue value;
    auto& accessibility = desktop::accessibility();
    if (accessibility.copyAttribute(desktop::Accessibility::systemWideElement(), desktop::ax::focusedApplication,
                                    value) != desktop::ax::success)
        return std::nullopt;
    const auto* element = std::get_if<desktop::Element>(&value);
    if (!element || element->pid < 1) return std::nullopt;
    return element->pid;
}

// The displays that show nothing (live virtual displays and zombies), read once per scan
// so that most windows are ruled out by plain arithmetic on their frames instead of a
// display look-up each.
class DarkDisplays {
public:
    static DarkDisplays of(const DisplayController& displays)
    {
        DarkDisplays dark;
        dark.ids_ = displays.zombieIDs();
        for (const auto id : displays.liveDisplayIDs()) dark.ids_.insert(id);
        auto& arrangement = desktop::displays();
        for (const auto id : dark.ids_) {
            const auto info = arrangement.display(id);
            if (!info) continue;
            const core::Rect& frame = info->frame;
            dark.extents_.push_back(
                {frame.minX() - slack, frame.minY() - slack, frame.maxX() + slack, frame.maxY() + slack});
        }
        const auto main = arrangement.mainDisplayID();
        dark.mainIsDark_ = main && dark.ids_.contains(*main);
        return dark;
    }

    bool empty() const { return ids_.empty(); }

    // windowlist::display's answer for the rectangle is one of these displays.
    bool hold(const core::Rect& rect) const { return mayHold(rect) && ids_.contains(windowlist::display(rect)); }

private:
    struct Extent {
        double minX, minY, maxX, maxY;
    };
    // Only spares the exact look-up, so it may say yes too often, never no wrongly.
    static constexpr double slack = 1;

    bool mayHold(const core::Rect& rect) const
    {
        // The look-up falls back to the main display for a centre outside every display.
        if (mainIsDark_) return true;
        const double x = rect.x() + rect.width() / 2;
        const double y = rect.y() + rect.height() / 2;
        return std::any_of(extents_.begin(), extents_.end(), [x, y](const Extent& extent) {
            return x >= extent.minX && x <= extent.maxX && y >= extent.minY && y <= extent.maxY;
        });
    }

    std::set<desktop::DisplayID> ids_;
    std::vector<Extent> extents_;
    bool mainIsDark_ = false;
};

}  // namespace

void ParkingController::startForeignWatchLocked()
{
    assert(q_.isCurrent());
    if (foreignTimer_.isActive()) return;
    foreignTimer_ = dispatch::Timer(q_, heartbeat, dispatch::whileAlive(weak_from_this(), [](ParkingController& self) {
                                        self.checkForeignLocked();
                                    }));
    VDLog::write("外来窗口看守已启动（1s 心跳）");
}

void ParkingController::watchVirtualDisplaysAtLaunch()
{
    q_.async(dispatch::whileAlive(weak_from_this(), [](ParkingController& self) {
        if (self.displays_.hasLiveOrZombie()) self.startForeignWatchLocked();
    }));
}

void ParkingController::checkForeignLocked()
{
    assert(q_.isCurrent());
    // Before anything else: a late landing is then a parked window, never a foreign one.
    settlePendingParksLocked();
    if (!displays_.hasLiveOrZombie()) {
        foreignTimer_.cancel();
        foreignTicks_.clear();
        foreignFrontLogged_.clear();
        VDLog::write("外来窗口看守已停止");
        return;
    }
    if (WindowParking::hasMiniWindows.load() && !WindowParking::rescueWithPips()) {
        if (!foreignSuppressed_) {
            foreignSuppressed_ = true;
            VDLog::write(
                "外来窗口找回：此刻**有小窗** ⇒ "
                "按产品规则暂不碰虚拟屏上的外来窗口（关掉小窗之后，它还要重新累计稳定的 " +
                number(ticksBeforeRescue) + "s 才会动手）");
        }
        foreignTicks_.clear();
        foreignFrontLogged_.clear();
        return;
    }
    if (foreignSuppressed_) {
        foreignSuppressed_ = false;
        VDLog::write("外来窗口找回：小窗已不在 ⇒ 恢复看守（外来窗口从这一刻起重新累计稳定的 " +
                     number(ticksBeforeRescue) + "s）");
    }

    std::map<desktop::WindowID, ForeignTicks> counted;
    for (const auto& [id, candidate] : foreignWindowCandidates()) {
        const auto& [rect, pid] = candidate;
        const auto seen = foreignTicks_.find(id);
        const bool still = seen != foreignTicks_.end() && standsStill(seen->second.rect, rect);
        counted[id] = {rect, pid, still ? seen->second.ticks + 1 : 1};
    }
    foreignTicks_ = std::move(counted);

    const double now = dispatch::now();
    std::erase_if(foreignFrontLogged_, [this](desktop::WindowID id) { return !foreignTicks_.contains(id); });
    std::erase_if(foreignRescuedAt_, [now](const auto& entry) { return now - entry.second > rescuedKeptSeconds; });
    std::erase_if(foreignFailures_, [now](const auto& entry) { return now - entry.second.at > failuresKeptSeconds; });

    std::vector<desktop::WindowID> due;
    for (const auto& [id, seen] : foreignTicks_)
        if (seen.ticks >= ticksBeforeRescue) due.push_back(id);
    if (due.empty()) return;

    const auto frontPID = frontmostPID();
    int rescued = 0;
    for (const auto id : due) {
        if (rescued >= rescuesPerTick) break;
        if (const auto last = foreignRescuedAt_.find(id);
            last != foreignRescuedAt_.end() && dispatch::now() - last->second < quietSeconds)
            continue;
        const auto seen = foreignTicks_.find(id);
        if (frontPID && seen != foreignTicks_.end() && seen->second.pid == *frontPID &&
            foreignFrontLogged_.insert(id).second)
            VDLog::write("外来窗口找回：窗口 #" + number(id) +
                         " 的属主正当前台 —— 照搬（那块屏没有输出，搬它不会有可见影响）");
        const int ticks = seen != foreignTicks_.end() ? seen->second.ticks : 0;

        const auto forget = [this, id] {
            foreignFailures_.erase(id);
            foreignTicks_.erase(id);
            foreignFrontLogged_.erase(id);
        };
        if (rescueForeignLocked(id, "在虚拟屏上稳定 " + number(ticks) + "s", false)) {
            foreignRescuedAt_[id] = dispatch::now();
            forget();
            ++rescued;
            continue;
        }
        const int failures = foreignFailures_[id].n + 1;
        foreignFailures_[id] = {failures, dispatch::now()};
        if (failures < failuresBeforeBackOff) {
            VDLog::write("外来窗口找回：窗口 #" + number(id) + " 第 " + number(failures) + "/" +
                         number(failuresBeforeBackOff) + " 次搬不动 ⇒ 下一跳（1s 后）再试");
            continue;
        }
        foreignRescuedAt_[id] = dispatch::now();
        forget();
        VDLog::write("外来窗口找回：窗口 #" + number(id) + " 连续 " + number(failures) + " 次搬不动 ⇒ 退避 " +
                     number(static_cast<long long>(quietSeconds)) + "s" +
                     "（它不是「移动一下就回来」那种，是真的搬不动；如实记录，不再每秒戳它）");
    }
}

std::map<desktop::WindowID, std::pair<core::Rect, desktop::Pid>> ParkingController::foreignWindowCandidates()
{
    assert(q_.isCurrent());
    std::map<desktop::WindowID, std::pair<core::Rect, desktop::Pid>> candidates;
    const auto dark = DarkDisplays::of(displays_);
    if (dark.empty()) return candidates;
    const auto list = onScreenOnlyCoversVirtual
                          ? desktop::windowServer().windowList(desktop::WindowListOption::onScreenOnly, 0, true)
                          : desktop::windowServer().windowList(desktop::WindowListOption::all);
    if (!list) return candidates;
    const desktop::Pid ownPID = desktop::workspace().ownPid();
    for (const auto& window : *list) {
        if (window.number == 0 || !window.ownerPid || *window.ownerPid == ownPID) continue;
        if (window.layer != 0 || window.isOnscreen != true || !window.bounds) continue;
        const core::Rect& rect = *window.bounds;
        if (rect.width() < minimumSize.width || rect.height() < minimumSize.height) continue;
        const auto id = window.number;
        if (parked_.contains(id) || strayed_.contains(id) || suspended_.contains(id) || pendingParks_.contains(id))
            continue;
        // A lingering zombie shows nothing either: a window there is as lost.
        if (!dark.hold(rect)) continue;
        candidates.emplace(id, std::pair{rect, *window.ownerPid});
    }
    return candidates;
}

bool ParkingController::rescueForeignLocked(desktop::WindowID windowID, const std::string& why, bool)
{
    assert(q_.isCurrent());
    pruneLocked(dispatch::now());
    const std::string idText = number(windowID);
    if (parked_.contains(windowID) || strayed_.contains(windowID) || suspended_.contains(windowID)) {
        VDLog::write("外来窗口找回放弃（" + why + "）：窗口 #" + idText + " 在账本里（我们停放/接管中的窗口，绝不动）");
        return false;
    }
    const auto owner = windowlist::ownerInfo(windowID);
    if (!owner) return false;
    const std::string who = owner->name + " #" + idText;
    const auto giveUp = [&](const std::string& reason) {
        VDLog::write("外来窗口找回放弃（" + why + "）：" + who + " —— " + reason);
        return false;
    };
    using windowlist::rectDesc;

    for (int attempt = 1; attempt <= moveAttempts; ++attempt) {
        const auto from = windowlist::bounds(windowID);
        if (!from) return giveUp("读不到它的 bounds（窗口可能已被关掉）");
        const auto fromDisplay = windowlist::display(*from);
        if (!isVirtualOrZombie(fromDisplay)) {
            VDLog::write("外来窗口找回（" + why + "）：" + who + " 此刻已不在虚拟屏上（" + rectDesc(*from) + "）" +
                         "⇒ 无需再搬（算成功，避免来回摆）");
            return true;
        }
        const auto screen = nearestScreen(*from, realScreens(displays_));
        if (!screen) return giveUp("算不出落点（没有可用的真屏？）");
        const core::Rect target = targetOnScreen(*from, screen->frame);
        const std::string screens = "（屏 #" + number(fromDisplay) + " → #" + number(screen->id) + "）";
        VDLog::write("外来窗口找回：" + who + " 第 " + number(attempt) + " 次尝试 " + rectDesc(*from) + " → " +
                     rectDesc(target) + screens);

        const auto landed =
            WindowMover::moveWindow(windowID, owner->pid, *from, target, std::nullopt, WindowMover::AXMatch::originOnly);
        if (landed) {
            VDLog::write("外来窗口找回（" + why + "）：" + who + " " + rectDesc(*from) + " → " + rectDesc(*landed) +
                         (attempt == 2 ? "（第 2 次才成：第 1 次那一下应用正在自己重排）" : "") + screens);
            return true;
        }
        // The application may have put it on a real screen of its own choosing.
        if (const auto now = windowlist::bounds(windowID)) {
            const auto nowDisplay = windowlist::display(*now);
            if (!isVirtualOrZombie(nowDisplay)) {
                VDLog::write("外来窗口找回（" + why + "）：" + who + " " + rectDesc(*from) + " → " + rectDesc(*now) +
                             "（**它自己挑的落点**，没落在我们算的 " + rectDesc(target) + " 上，尺寸也可能被它改过；" +
                             "已回到真屏 #" + number(nowDisplay) + " ⇒ 按产品语义算成功）");
                return true;
            }
        }
    }
    VDLog::write("外来窗口找回失败（" + why + "）：" + who + " —— 两次都搬不动（它仍在虚拟屏上；" +
                 "每一次的目标与回读值见上面『第 N 次尝试』『候选 N …』那几行）");
    return false;
}

}  // namespace parking
