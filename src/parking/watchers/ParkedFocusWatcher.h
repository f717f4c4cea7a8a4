#pragma once

// Brings a parked window back when the user focuses it through the system (window
// cycling, the Window menu). Nothing is parked yet, so there is nothing to watch.
class ParkedFocusWatcher {
public:
    static ParkedFocusWatcher& shared();

    // Once at launch, on the main thread.
    void start();

private:
    ParkedFocusWatcher() = default;
};
