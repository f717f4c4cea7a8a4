#pragma once

#include "platform/desktop/Accessibility.h"
#include "platform/desktop/Types.h"
#include "platform/dispatch/Queue.h"
#include "platform/dispatch/Timer.h"

#include <map>
#include <set>
#include <memory>

namespace parking {
class ParkingController;
}

// Brings a parked window back when the user focuses it through the system (window
// cycling, the Window menu, the overview of all windows) and raises it. Watches only
// the applications that have parked windows: once a second it aligns its accessibility
// observers with the ledger's pids. Logs to the diagnostics log.
class ParkedFocusWatcher : public std::enable_shared_from_this<ParkedFocusWatcher> {
public:
    explicit ParkedFocusWatcher(parking::ParkingController& controller);
    ~ParkedFocusWatcher();

    // The process's watcher, on the process's parking controller.
    static ParkedFocusWatcher& shared();

    // Once at launch, on the main thread.
    void start();

private:
    struct Observation {
        desktop::Token observer = 0;
        desktop::Element element;
    };

    // On work_: the pids to watch, handed to the main queue.
    void reconcile();
    // Main queue: observers follow the wanted pids.
    void alignObservers(const std::set<desktop::Pid>& wanted);
    // Main queue, from an observer: the application's focused window changed.
    void handle(desktop::Pid pid);
    // On work_.
    void handleFocusChange(desktop::Pid pid);

    parking::ParkingController& controller_;
    dispatch::Queue work_;
    // Main queue only: an entry exists exactly while its observer is registered.
    std::map<desktop::Pid, Observation> observers_;
    dispatch::Timer reconcileTimer_;
    // work_ only: when a focus change last matched a parked window of the pid.
    std::map<desktop::Pid, double> recentAction_;
};
