// Giving one window back: a parked record to its place before parking, a strayed one only
// when it stands on no real screen.
#include "parking/ledger/ParkingController.h"

#include "capture/NumberText.h"
#include "parking/ledger/RealScreens.h"
#include "parking/ledger/VDLog.h"
#include "parking/ledger/WindowList.h"
#include "parking/ledger/WindowMover.h"
#include "platform/desktop/Desktop.h"
#include "platform/dispatch/WhileAlive.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <string>

namespace parking {
namespace {

using windowlist::rectDesc;

constexpr double tolerance = 2;
constexpr int readBackWaits = 6;
constexpr double readBackInterval = 0.08;
constexpr double restoredLogWindow = 10;  // lastRestoredAt keeps give-backs this recent

bool originNear(const core::Rect& rect, core::Point origin)
{
    return std::abs(rect.minX() - origin.x) <= tolerance && std::abs(rect.minY() - origin.y) <= tolerance;
}

// The window's frame once it stands within 2 pt of the origin, read at once and then
// every 80 ms up to six times, as slow applications settle late.
std::optional<core::Rect> readBackAt(desktop::WindowID windowID, core::Point origin)
{
    auto read = windowlist::bounds(windowID);
    for (int waits = 0; !(read && originNear(*read, origin)) && waits < readBackWaits; ++waits) {
        dispatch::sleepFor(readBackInterval);
        read = windowlist::bounds(windowID);
    }
    if (read && originNear(*read, origin)) return read;
    return std::nullopt;
}

bool shownOn(const std::vector<RealScreen>& screens, core::Point point)
{
    return std::any_of(screens.begin(), screens.end(),
                       [&](const RealScreen& screen) { return screen.frame.contains(point); });
}

// A window some points off its place but visible is back: another move would only chase
// an application that places windows its own way.
void logOffsetFromHome(desktop::WindowID windowID, core::Point landed, const core::Rect& home)
{
    using capture::wholeText;
    if (landed == home.origin) return;
    VDLog::write("还原落点偏离原位 (" + wholeText(landed.x - home.minX()) + "," + wholeText(landed.y - home.minY()) +
                 ")：窗口 #" + std::to_string(windowID) + " 已在物理屏上 ⇒ 不再追原位");
}

// Size first, then position; both writes are made. True when neither was refused.
bool setFrame(const desktop::Element& element, const core::Rect& frame)
{
    auto& ax = desktop::accessibility();
    const bool sized = ax.setAttribute(element, desktop::ax::size, frame.size) == desktop::ax::success;
    const bool placed = ax.setAttribute(element, desktop::ax::position, frame.origin) == desktop::ax::success;
    return sized && placed;
}

}  // namespace

core::Rect ParkingController::homeFrame(const Parked& record) const
{
    const auto screens = realScreens(displays_);
    if (shownOn(screens, {record.originalFrame.midX(), record.originalFrame.midY()})) return record.originalFrame;
    // Its display went while it was parked: the nearest real one, as for a stranded window.
    const auto nearest = nearestScreen(record.originalFrame, screens);
    return nearest ? targetOnScreen(record.originalFrame, nearest->frame) : record.originalFrame;
}

bool ParkingController::restoreLocked(desktop::WindowID windowID, double now, bool explicitRequest)
{
    assert(q_.isCurrent());
    const std::string id = std::to_string(windowID);

    if (const auto parked = parked_.find(windowID); parked != parked_.end()) {
        const Parked record = parked->second;
        const core::Rect home = homeFrame(record);
        for (int attempt = 1; attempt <= 2; ++attempt) {
            const auto landed = moveWindowTo(windowID, record.pid, home);
            if (!landed) continue;
            finish(record, now, attempt == 2 ? std::optional<std::string>("重试成功") : std::nullopt, explicitRequest);
            logOffsetFromHome(windowID, *landed, home);
            return true;
        }
        if (restoreFailureLogged_.insert(windowID).second)
            VDLog::write("⚠️ 还原失败 " + record.ownerName + " #" + id + "，保留记录以便下次再试");
        return false;
    }

    if (const auto pending = pendingParks_.find(windowID); pending != pendingParks_.end()) {
        // The park's move has not landed yet: a move home takes its place. A window that
        // cannot be moved is where it was, so this never fails.
        const Parked record = pending->second;
        pendingParks_.erase(pending);
        moveWindowTo(windowID, record.pid, homeFrame(record));
        return true;
    }

    const auto strayed = strayed_.find(windowID);
    if (strayed == strayed_.end()) return true;
    const Parked record = strayed->second;
    const auto forget = [&] {
        strayed_.erase(windowID);
        restoreFailureLogged_.erase(windowID);
        return true;
    };
    const auto bounds = windowlist::bounds(windowID);
    if (!bounds) return forget();
    const core::Rect home = homeFrame(record);
    if (originNear(*bounds, home.origin)) return forget();

    // Zombies are no real screens: a window on one is still out of sight. Without any real
    // screen there is nowhere to put it either.
    const auto screens = realScreens(displays_);
    if (screens.empty() || shownOn(screens, {bounds->midX(), bounds->midY()})) {
        VDLog::write("放弃还原：窗口 #" + id + " 已不在虚拟屏、但在物理屏上看得到（用户/系统已接管），只丢弃记录");
        return forget();
    }

    VDLog::write("救回看不见的窗口 #" + id + "：它既不在虚拟屏、也不在任何物理屏上（" + rectDesc(*bounds) +
                 "）⇒ 还原到 " + rectDesc(home));
    if (const auto landed = moveWindowTo(windowID, record.pid, home)) {
        forget();
        lastRestoredAt_[windowID] = now;
        lastRestoreExplicit_[windowID] = explicitRequest;
        VDLog::write("已还原（离开虚拟屏的记录）窗口 #" + id + " → " + rectDesc(home));
        logOffsetFromHome(windowID, *landed, home);
        return true;
    }
    if (restoreFailureLogged_.insert(windowID).second)
        VDLog::write("⚠️ 还原失败（离开虚拟屏的记录）窗口 #" + id + "，保留记录以便下次再试");
    return false;
}

std::optional<core::Point> ParkingController::moveWindowTo(desktop::WindowID windowID, desktop::Pid pid,
                                                           const core::Rect& target)
{
    assert(q_.isCurrent());
    const auto current = windowlist::bounds(windowID);
    if (!current) return std::nullopt;
    const auto candidates = WindowMover::axWindows(*current, pid, WindowMover::AXMatch::originAndSize);
    for (std::size_t n = 1; n <= candidates.size(); ++n) {
        const desktop::Element& candidate = candidates[n - 1];
        if (!setFrame(candidate, target)) continue;
        auto landed = readBackAt(windowID, target.origin);
        if (!landed) {
            landed = windowlist::bounds(windowID);
            if (landed && !shownOn(realScreens(displays_), {landed->midX(), landed->midY()})) landed.reset();
        }
        if (landed) {
            if (n >= 2) VDLog::write("还原时第 " + std::to_string(n) + " 个候选命中");
            return landed->origin;
        }
        // A wrong window of two at that frame that moved stays where it went: back on the
        // virtual display nobody would see it, and one that settles late would be pulled
        // back there.
    }
    return std::nullopt;
}

void ParkingController::finish(const Parked& record, double now, const std::optional<std::string>& reason,
                               bool explicitRequest)
{
    assert(q_.isCurrent());
    const desktop::WindowID windowID = record.windowID;
    unfileParked(windowID);
    unoccludedTicks_.erase(windowID);
    siblingHold_.erase(windowID);
    restoreFailureLogged_.erase(windowID);
    lastRestoredAt_[windowID] = now;
    lastRestoreExplicit_[windowID] = explicitRequest;
    std::erase_if(lastRestoredAt_, [now](const auto& entry) { return entry.second <= now - restoredLogWindow; });
    std::erase_if(lastRestoreExplicit_, [this](const auto& entry) { return !lastRestoredAt_.contains(entry.first); });
    VDLog::write("已还原" + (reason ? "（" + *reason + "）" : std::string()) + " " + record.ownerName + " #" +
                 std::to_string(windowID) + " → " + rectDesc(homeFrame(record)) + "，" +
                 std::to_string(static_cast<int>(cooldown)) + "s 内不再停放它");
}

void ParkingController::restoreAsync(desktop::WindowID windowID)
{
    q_.async(dispatch::whileAlive(weak_from_this(), [windowID](ParkingController& self) {
        self.settlePendingParksLocked();
        self.restoreLocked(windowID, dispatch::now(), false);
    }));
}

}  // namespace parking
