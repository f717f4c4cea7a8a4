#pragma once

#include "platform/desktop/Types.h"
#include "platform/dispatch/Queue.h"
#include "platform/dispatch/Timer.h"

#include <atomic>
#include <memory>
#include <string>

namespace parking {
class DisplayController;
}

// Keeps the pointer off the virtual displays windows are parked on. A probe on a queue
// of its own brings a lost pointer back to the nearest real screen and speaks up after
// three failures in a row; the escape hot key does the same at once and then gives back
// every parked window. Every decision goes to the diagnostics log.
class CursorGuard : public std::enable_shared_from_this<CursorGuard> {
public:
    enum class Outcome { rescued, fine, failed };
    struct Rescue {
        Outcome result = Outcome::fine;
        std::string message;  // for the user
    };

    // Which screens count as real, as the last rescue could tell them.
    enum RealScreenMode { fullTest = 0, ledgerOnly = 1, noneUsable = 2 };

    explicit CursorGuard(parking::DisplayController& displays);

    // The process's guard, on the shared display controller.
    static CursorGuard& shared();

    const dispatch::Queue& queue() const { return queue_; }

    // Once at launch, on the main thread.
    void start();
    // When the application that started it goes, on the main thread.
    void stop();
    // The escape hot key's action, on the main thread.
    void rescueNow();
    // One probe, on queue().
    void probeTick();

    // Moves a pointer that is on no real screen to the nearest one. tag follows the log
    // prefix of some lines; whenFine logs the paths that find nothing to do;
    // allowMainDisplayFallback uses the main display when no real screen can be told.
    // Any thread.
    Rescue bringCursorBack(const std::string& tag, bool whenFine, bool allowMainDisplayFallback);

    // One line describing the display for the log.
    std::string describeDisplay(desktop::DisplayID displayID) const;
    // Logs each change of the level once.
    void noteRealScreenMode(int mode, const std::string& tag);

    // The setting "cursorGuardProbeInterval" when above 0.05 s, else 1 s.
    static double probeInterval();
    // The setting "cursorGuardAutoRescue"; true when absent or not a Boolean.
    static bool autoRescueEnabled();

private:
    parking::DisplayController& displays_;
    dispatch::Queue queue_;
    dispatch::Timer probe_;
    // The probe's state, on queue_ only.
    bool buttonsHeldLogged_ = false;
    int autoFailStreak_ = 0;
    int autoRescueCount_ = 0;
    // Written by the probe and the hot key alike.
    std::atomic<int> realScreenMode_{fullTest};
};
