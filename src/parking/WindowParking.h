#pragma once

#include "platform/core/Geometry.h"
#include "platform/desktop/Types.h"
#include "platform/dispatch/Queue.h"

#include <atomic>
#include <functional>
#include <optional>

// Parks fully covered source windows on a virtual display and brings them back. Its
// ledger lives on its own serial queue: every operation below, unless it says it returns
// at once, runs there, and callers reach it with queue().sync / syncResult. It never
// waits for the main thread or a capture queue.
class WindowParking {
public:
    // The answer to a park request. inCooldown: the window came back from the virtual
    // display only shortly before; the caller does not count it as a failure.
    enum class RescueOutcome { parked = 0, failed = 1, inCooldown = 2 };

    static WindowParking& shared();

    const dispatch::Queue& queue() const { return queue_; }

    // The park request for a fully covered source window.
    RescueOutcome rescueOutcome(desktop::WindowID windowID);
    // True while the window is lent to a pinned preview's takeover (for at most 600 s).
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

    // Whether any mini window exists; written by the panels, read by the foreign-window
    // watch.
    static inline std::atomic<bool> hasMiniWindows{false};
    // How many windows are parked now.
    int parkedCount();
    // Puts every parked window back; the caller waits at most `timeout` seconds.
    void restoreAllBlocking(double timeout);
    // Returns at once; gives back the parked windows of an application the user
    // activated, when it was still frontmost a moment later.
    void restoreForActivatedApp(desktop::Pid pid, std::optional<desktop::Pid> frontmostPID);

    // The setting "foreignRescueWithPips"; true when absent or not a Boolean.
    static bool rescueWithPips();

    // Test seam: told each operation called, by its name, with its window number (the
    // activated pid for restoreForActivatedApp, 0 for the operations without a window).
    // Set it before any operation runs and clear it after.
    static inline std::function<void(const char* operation, desktop::WindowID windowID)> callHook;

private:
    WindowParking();

    dispatch::Queue queue_;
};
