#pragma once

#include "platform/desktop/Types.h"

#include <memory>
#include <mutex>
#include <set>

// Owns the virtual displays that window parking parks windows on. Until parking makes
// its own, the live virtual displays are those the desktop lists as virtual.
class VirtualDisplayController {
public:
    static VirtualDisplayController& shared();

    // Whether the display is one of this controller's live virtual displays. Any thread;
    // answers from the list the last refresh read.
    bool isVirtual(desktop::DisplayID displayID) const;

    // Reads the desktop's displays again; the shell calls it on every display change,
    // before anything asks about the new arrangement. Main thread.
    void refreshDisplays();
    // Forgets every display (the desktop is going away).
    void forgetDisplays();
    // Ends every virtual display this controller made; once at quit, on the main thread,
    // after the parked windows have been put back.
    void terminateAll();

    // Whether parking may run at all: never without virtual displays; otherwise the
    // setting "virtualDisplayPark" when it is a Boolean, and on when it is absent or of
    // another type.
    static bool isFeatureEnabled();

private:
    VirtualDisplayController() = default;

    using Snapshot = std::shared_ptr<const std::set<desktop::DisplayID>>;
    Snapshot snapshot() const;
    void publish(Snapshot snapshot);

    // Swapped whole, never changed in place, so a reader holds a consistent list.
    mutable std::mutex mutex_;
    Snapshot virtualIDs_ = std::make_shared<const std::set<desktop::DisplayID>>();
};
