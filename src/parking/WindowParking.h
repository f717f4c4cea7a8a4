#pragma once

#include "parking/ParkingService.h"
#include "platform/dispatch/Queue.h"

#include <atomic>
#include <memory>

// Parks fully covered source windows on a virtual display and brings them back. Its
// ledger lives on its own serial queue: every operation below, unless it says otherwise,
// runs there, and callers reach it with queue().sync / syncResult. It never waits for
// the main thread or a capture queue. Each operation goes to the installed service;
// without one nothing is ever parked or lent.
class WindowParking {
public:
    using RescueOutcome = ParkingService::RescueOutcome;

    static WindowParking& shared();

    const dispatch::Queue& queue() const { return queue_; }

    // The application installs the implementation at launch (none: the stand-in).
    static void install(std::shared_ptr<ParkingService> service);

    // The park request for a fully covered source window.
    RescueOutcome rescueOutcome(desktop::WindowID windowID);
    // True while the window is lent to a pinned preview's takeover.
    bool isBorrowedByPinnedPreview(desktop::WindowID windowID);
    // Returns at once; readies a virtual display for the window's display on the queue.
    void prewarmDisplay(desktop::WindowID windowID);
    // Returns at once; puts a parked window back to its place on the queue.
    void restoreAsync(desktop::WindowID windowID);
    // True when a parked window was brought back for the user.
    bool bringBackForUser(desktop::WindowID windowID);
    // Lends the window to a takeover; answers its place before parking (global points)
    // when parking holds it.
    std::optional<core::Rect> takeOver(desktop::WindowID windowID);
    // A takeover failed or could not put the window back: the loan ends.
    void giveBack(desktop::WindowID windowID);
    // The takeover put the window back where it belongs: the loan record is dropped.
    void releaseTakeover(desktop::WindowID windowID);
    // How many windows are parked now.
    int parkedCount();
    // Any thread, without entering the queue: the count as of the ledger's last change.
    int parkedCountSnapshot();
    // Any thread but the queue's: puts every parked window back; the caller waits at
    // most `timeout` seconds.
    void restoreAllBlocking(double timeout);
    // Returns at once; gives back the parked windows of an application the user
    // activated, when it was still frontmost a moment later.
    void restoreForActivatedApp(desktop::Pid pid, std::optional<desktop::Pid> frontmostPID);

    // Whether any mini window exists; written by the panels, read by the foreign-window
    // watch (a value one tick stale is fine).
    static inline std::atomic<bool> hasMiniWindows{false};
    // The setting "foreignRescueWithPips"; true when absent or not a Boolean.
    static bool rescueWithPips();

private:
    WindowParking();
    static std::shared_ptr<ParkingService> service();

    dispatch::Queue queue_;
};
