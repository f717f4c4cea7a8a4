#pragma once

#include "platform/core/Geometry.h"
#include "platform/desktop/Types.h"

#include <optional>

// What window parking does, as the lower layers reach it through WindowParking. The
// application installs the implementation at launch; tests install what they need.
// Every operation runs on the parking queue, except parkedCountSnapshot and the three
// that queue their own work (prewarmDisplay, restoreAsync, restoreForActivatedApp) and
// restoreAllBlocking, which queues and waits.
class ParkingService {
public:
    enum class RescueOutcome { parked = 0, failed = 1, inCooldown = 2 };

    virtual ~ParkingService() = default;

    virtual RescueOutcome rescueOutcome(desktop::WindowID windowID) = 0;
    virtual bool isBorrowedByPinnedPreview(desktop::WindowID windowID) = 0;
    virtual void prewarmDisplay(desktop::WindowID windowID) = 0;
    virtual void restoreAsync(desktop::WindowID windowID) = 0;
    virtual bool bringBackForUser(desktop::WindowID windowID) = 0;
    virtual std::optional<core::Rect> takeOver(desktop::WindowID windowID) = 0;
    virtual void giveBack(desktop::WindowID windowID) = 0;
    virtual void releaseTakeover(desktop::WindowID windowID) = 0;
    virtual int parkedCount() = 0;
    // The count as of the last change of the ledger; any thread, never waits.
    virtual int parkedCountSnapshot() const = 0;
    virtual void restoreAllBlocking(double timeout) = 0;
    virtual void restoreForActivatedApp(desktop::Pid pid, std::optional<desktop::Pid> frontmostPID) = 0;
};
