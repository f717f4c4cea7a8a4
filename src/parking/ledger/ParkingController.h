#pragma once

#include "parking/ParkingService.h"
#include "parking/ledger/Parked.h"
#include "parking/ledger/Placement.h"
#include "platform/core/Geometry.h"
#include "platform/desktop/Types.h"
#include "platform/dispatch/Queue.h"
#include "platform/dispatch/Timer.h"

#include <atomic>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace parking {

class DisplayController;

// The window-parking controller: the ledger of parked, strayed and lent windows, the
// park and restore paths, the restore and foreign-window watchers. Its tables change only
// on its queue; every *Locked member runs only there.
class ParkingController : public ParkingService, public std::enable_shared_from_this<ParkingController> {
public:
    ParkingController(dispatch::Queue queue, DisplayController& displays);
    ~ParkingController() override;

    // The process's controller, on WindowParking's queue and the shared display
    // controller; made on first use.
    static const std::shared_ptr<ParkingController>& shared();
    // At launch: forgets what an earlier launch in this process (an in-process scenario
    // run) left, records and watches alike; its times and windows are not this one's.
    void startAfresh();

    const dispatch::Queue& queue() const { return q_; }

    // ---- public operations (see ParkingService for where each runs) ----
    RescueOutcome rescueOutcome(desktop::WindowID windowID) override;
    bool isBorrowedByPinnedPreview(desktop::WindowID windowID) override;
    void prewarmDisplay(desktop::WindowID windowID) override;
    void restoreAsync(desktop::WindowID windowID) override;
    bool bringBackForUser(desktop::WindowID windowID) override;
    std::optional<core::Rect> takeOver(desktop::WindowID windowID) override;
    void giveBack(desktop::WindowID windowID) override;
    void releaseTakeover(desktop::WindowID windowID) override;
    int parkedCount() override;
    int parkedCountSnapshot() const override { return parkedCount_.load(); }
    void restoreAllBlocking(double timeout) override;
    void restoreForActivatedApp(desktop::Pid pid, std::optional<desktop::Pid> frontmostPID) override;
    // At launch, returns at once: a virtual display that is already there (declared or
    // left over) is watched for foreign windows from the start.
    void watchVirtualDisplaysAtLaunch();

    // ---- ledger queries (on the queue) ----
    std::optional<Parked> parkedWindow(desktop::Pid pid, const core::Rect& frame);
    std::vector<desktop::Pid> parkedPIDs();
    std::vector<desktop::WindowID> parkedWindowIDs();

    // ---- what tests look at (on the queue) ----
    const std::map<desktop::WindowID, Parked>& parkedRecords() const { return parked_; }
    const std::map<desktop::WindowID, Parked>& strayedRecords() const { return strayed_; }
    const std::map<desktop::WindowID, Parked>& lentRecords() const { return suspended_; }
    const std::map<desktop::WindowID, Parked>& pendingParkRecords() const { return pendingParks_; }
    bool restoreWatchRunning() const { return restoreTimer_.isActive(); }
    bool foreignWatchRunning() const { return foreignTimer_.isActive(); }
    // One restore-watcher tick now, as its timer runs it (for the benchmark).
    void restoreTickNow() { checkRestoreLocked(); }
    // Other applications' windows on a virtual display or a zombie, as a foreign-watch
    // tick counts them.
    std::map<desktop::WindowID, std::pair<core::Rect, desktop::Pid>> foreignWindowCandidates();

    // Process-wide flags of the on-screen query self-test (the parking queue only).
    static inline bool onScreenOnlyCoversVirtual = true;
    static inline bool onScreenQueryVerified = false;

    // Seconds of the rules, shared by the paths that apply them.
    static constexpr double cooldown = 2.0;
    static constexpr int parkCap = 8;
    static constexpr double placementMargin = 40;
    static constexpr double staleRecordAge = 600;
    static constexpr double pendingParkLifetime = 5;

private:
    struct FutileRestores {
        int count = 0;
        double lastAt = 0;
    };
    struct ForeignTicks {
        core::Rect rect;
        desktop::Pid pid = 0;
        int ticks = 0;
    };
    struct ForeignFailures {
        int n = 0;
        double at = 0;
    };

    // ---- ledger (ParkingController.cpp) ----
    void pruneLocked(double now);
    // Every change of parked_ goes through these two, so the count snapshot stays true.
    void fileParked(const Parked& record);
    std::optional<Parked> unfileParked(desktop::WindowID windowID);
    // Whether the display is a live virtual display or a zombie: never a real screen.
    bool isVirtualOrZombie(desktop::DisplayID displayID) const;
    // Excluded from the cover tests: every parked window.
    std::set<desktop::WindowID> parkedIDSet() const;

    // ---- park request, park, re-plot, prewarm (ParkRequest.cpp) ----
    RescueOutcome rescueLocked(desktop::WindowID windowID);
    // A park that holds: the new record, and the window's other entries cleared.
    void fileNewParkLocked(const Parked& record);
    static void logLateLanding(desktop::WindowID windowID, desktop::DisplayID displayID, const core::Rect& at);
    bool parkLocked(desktop::WindowID windowID, desktop::DisplayID sourceDisplayID);
    bool replotLocked(desktop::WindowID windowID);
    void prewarmLocked(desktop::WindowID windowID);
    void verifyOnScreenQueryCoversVirtual(desktop::WindowID parkedWindowID);

    // ---- parks whose move was not confirmed (PendingParks.cpp) ----
    // Files as parked every pending window that has since landed on a virtual display;
    // drops the records older than pendingParkLifetime.
    void settlePendingParksLocked();

    // ---- restore watcher and restore (RestoreWatch.cpp, Restore.cpp) ----
    void startRestoreWatchLocked();
    void stopRestoreWatchLocked();
    void checkRestoreLocked();
    bool restoreLocked(desktop::WindowID windowID, double now, bool explicitRequest);
    // The origin the window landed at: within 2 pt of the target's, or anywhere on a real
    // display.
    std::optional<core::Point> moveWindowTo(desktop::WindowID windowID, desktop::Pid pid, const core::Rect& target);
    void finish(const Parked& record, double now, const std::optional<std::string>& reason, bool explicitRequest);
    void recordFutileRestoreLocked(desktop::WindowID windowID);
    // Where a window goes back to: its place before parking, or, when that place's
    // display has gone, the nearest real display.
    core::Rect homeFrame(const Parked& record) const;

    // ---- activation, user and quit give-back (GiveBack.cpp) ----
    void restoreForActivatedAppLocked(desktop::Pid pid, std::optional<desktop::Pid> frontmostPID);
    bool bringBackForUserLocked(desktop::WindowID windowID);

    // ---- foreign-window rescue (ForeignRescue.cpp) ----
    void startForeignWatchLocked();
    void checkForeignLocked();
    bool rescueForeignLocked(desktop::WindowID windowID, const std::string& why, bool explicitRequest);

    dispatch::Queue q_;
    DisplayController& displays_;

    std::map<desktop::WindowID, Parked> parked_;
    std::map<desktop::WindowID, Parked> strayed_;
    std::map<desktop::WindowID, Parked> suspended_;
    // Parks whose read-back failed while the move may still land, kept for a while.
    std::map<desktop::WindowID, Parked> pendingParks_;
    std::map<desktop::WindowID, double> lastRestoredAt_;
    std::map<desktop::WindowID, bool> lastRestoreExplicit_;
    std::map<desktop::WindowID, int> unoccludedTicks_;
    std::map<desktop::WindowID, std::string> siblingHold_;
    std::map<desktop::WindowID, FutileRestores> futileRestores_;
    // Restores that keep failing are logged once per window until one succeeds.
    std::set<desktop::WindowID> restoreFailureLogged_;
    dispatch::Timer restoreTimer_;
    std::map<desktop::WindowID, ForeignTicks> foreignTicks_;
    std::map<desktop::WindowID, double> foreignRescuedAt_;
    std::map<desktop::WindowID, ForeignFailures> foreignFailures_;
    std::set<desktop::WindowID> foreignFrontLogged_;
    bool foreignSuppressed_ = false;
    dispatch::Timer foreignTimer_;

    std::atomic<int> parkedCount_{0};
};

}  // namespace parking
