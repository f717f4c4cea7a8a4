#pragma once

#include "parking/display/VDShim.h"
#include "parking/display/VDSpec.h"
#include "platform/core/Geometry.h"
#include "platform/desktop/Displays.h"
#include "platform/desktop/Types.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <vector>

namespace parking {

// Owns the private virtual displays windows are parked on: at most one per real display,
// sized from it plus a margin, placed beyond the real displays' bottom-right corner.
// Remembers displays it gave up on (zombies) until they have left the arrangement.
class DisplayController {
public:
    struct Live {
        VDHandle handle = nullptr;  // owned; none for a display adopted at launch
        desktop::DisplayID displayID = 0;
        VDSpec spec;
    };

    DisplayController();
    ~DisplayController();
    DisplayController(const DisplayController&) = delete;
    DisplayController& operator=(const DisplayController&) = delete;

    static DisplayController& shared();

    // Parking queue: the live virtual display for the real display, made when needed.
    std::optional<desktop::DisplayID> ensureDisplay(desktop::DisplayID source);
    // Any thread: a live virtual display of this controller (zombies never count).
    bool isVirtual(desktop::DisplayID displayID) const;
    // Any thread: a display given up on that may still be in the arrangement.
    bool isZombie(desktop::DisplayID displayID) const;
    // Any thread: the live displays' ids, in the table's order.
    std::vector<desktop::DisplayID> liveDisplayIDs() const;
    std::set<desktop::DisplayID> zombieIDs() const;
    bool hasLiveOrZombie() const;

    // At launch: virtual displays the desktop already shows are taken as this
    // controller's own, one per real display in order; what an earlier launch in this
    // process left and the desktop no longer shows is forgotten.
    void adoptDeclaredDisplays();
    // Once at quit, on the main thread: ends every display it made and waits (bounded)
    // until they and the zombies have left the arrangement; adopted displays are left
    // alone. Later ensureDisplay calls make nothing.
    void terminateAll();

    // Never without virtual displays; otherwise the setting "virtualDisplayPark" when it
    // is a Boolean, and on when it is absent or of another type.
    static bool isFeatureEnabled();

    // Internal steps, open for tests.
    void flushArrangement(const std::vector<desktop::DisplayID>& untilGone);
    bool commitOrigin(desktop::DisplayID displayID, core::Point origin);
    std::optional<desktop::DisplayMode> waitForMode(desktop::DisplayID displayID, double seconds);

private:
    // The bottom-right corner of the active displays that are neither ours, zombies nor
    // the new display.
    core::Point bottomRightOfRealDisplays(const std::vector<desktop::DisplayID>& active,
                                          desktop::DisplayID newDisplay) const;

    // Guards live_, zombies_ and terminated_; never held across a wait or a commit.
    mutable std::mutex mutex_;
    std::map<desktop::DisplayID, Live> live_;  // by source display
    std::set<desktop::DisplayID> zombies_;
    bool terminated_ = false;
    std::uint32_t serialSeed_;
};

}  // namespace parking
