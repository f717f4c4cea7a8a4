#pragma once

#include "app/HoldKeyStateMachine.h"
#include "platform/desktop/Input.h"
#include "platform/desktop/Types.h"
#include "platform/dispatch/Queue.h"
#include "platform/dispatch/Timer.h"
#include "platform/dispatch/WhileAlive.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Watches the hold key (one modifier key, fn by default): onPress once a hold has lasted
// the delay, onRelease when such a hold ends; a shorter tap does nothing. Option,
// command, control and shift are followed through flags-changed events with a slow
// re-check of the key state while down (a key-up event can be lost); fn sends no
// reliable events and is polled. Where the hold keys are everyday modifiers, another
// key pressed while the hold key is down makes a combination and ends the press. The
// timers are dispatch timers on the main queue, so they keep running while a menu is
// open. Main thread only.
class HoldKeyMonitor {
public:
    static HoldKeyMonitor& shared();

    HoldKeyMonitor();
    ~HoldKeyMonitor();
    HoldKeyMonitor(const HoldKeyMonitor&) = delete;
    HoldKeyMonitor& operator=(const HoldKeyMonitor&) = delete;

    std::function<void()> onPress;
    std::function<void()> onRelease;

    // (Re)configures the watched key, ending a press in progress ("换键"); flags are
    // ignored. A code that cannot be held switches the feature off until the next apply.
    void apply(int keyCode, int flags);
    // Stops watching, ending a press in progress, until the next apply(): a key being
    // recorded must not hide the mini windows.
    void suspend();

    // The delay in seconds, from holdHideDelayMs, read at every use.
    static double holdDelay();
    static int holdDelayMilliseconds();

    static constexpr double statePollInterval = 0.06;
    static constexpr double fallbackPollInterval = 0.4;

    int keyCode() const { return keyCode_; }
    std::optional<std::uint64_t> flag() const { return flag_; }
    bool isDown() const { return machine_.isDown(); }
    bool isActive() const { return machine_.isActive(); }
    bool pollDriven() const { return pollDriven_; }
    std::size_t monitorCount() const { return monitors_.size(); }
    bool statePollRunning() const { return stateTimer_.isActive(); }

private:
    void installMonitors(std::uint64_t mask);
    void removeMonitors();
    void handleEvent(const desktop::Event& event);
    void startPoll();
    void startStatePoll();
    void begin();
    void activate(const std::string& name);
    void finish(const std::string& why);
    void combine();
    void run(const HoldKeyStateMachine::Outcome& outcome);

    int keyCode_ = 0;
    std::optional<std::uint64_t> flag_;
    HoldKeyStateMachine machine_;
    std::vector<desktop::Token> monitors_;
    dispatch::Timer pollTimer_;
    dispatch::WorkItem delayTimer_;
    bool pollDriven_ = false;
    dispatch::Timer stateTimer_;
    // Monitors and timers reach the monitor through this, so none outlives it.
    dispatch::Lifetime<HoldKeyMonitor> lifetime_{this};
};
