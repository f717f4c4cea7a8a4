#pragma once

#include "platform/desktop/Types.h"

#include <optional>
#include <string>
#include <vector>

// Which applications leaving a takeover brings forward, and in what order.
namespace pin {

// What ends a pin; each cause fixes the arguments of leaving.
enum class LeaveCause {
    escape,
    outsideClick,  // a press outside the mini windows on the same screen
    marginClick,   // the margin around the preview's picture, forwarding mode
    pictureDoubleClick,
    topStripDoubleClick,  // the top edge of the taken-over window
    edgeResize,
    closePanel,
};

struct LeaveRequest {
    std::optional<desktop::Pid> frontPid;            // the application that took the click
    std::optional<desktop::WindowID> frontWindowID;  // the click's window
    bool restoreFrontOrder = false;                  // bring the pre-pin covers back above
};

// The arguments for a cause; only outsideClick carries the clicked application and window.
LeaveRequest leaveRequest(LeaveCause cause, std::optional<desktop::Pid> clickedPid = std::nullopt,
                          std::optional<desktop::WindowID> clickedWindow = std::nullopt);

// A window of another application that covered the source before pinning.
struct RaiseEntry {
    desktop::WindowID num = 0;
    desktop::Pid pid = 0;
    bool operator==(const RaiseEntry&) const = default;
};

struct WindowRaise {
    desktop::Pid pid = 0;
    desktop::WindowID windowID = 0;
    bool operator==(const WindowRaise&) const = default;
};

struct ActivationPlan {
    std::vector<desktop::Pid> pids;     // activate in this order; the last ends in front
    std::optional<WindowRaise> raise;   // the click landed on the source's own application
    std::vector<std::string> logLines;  // in order
};

struct LeaveState {
    desktop::Pid takeoverPID = 0;
    std::vector<RaiseEntry> prePinRaiseList;  // back to front
    desktop::Pid prePinFrontAppPid = 0;
    desktop::Pid ownPid = 0;
};

ActivationPlan activationPlan(const LeaveRequest& request, const LeaveState& state);

// The chain spaces its activations this far apart; the window raise waits longer.
inline constexpr double activationSpacing = 0.05;
inline constexpr double windowRaiseDelay = 0.4;

// An activation item runs when its application still runs and the view has not been
// pinned again (a gone view still activates).
bool activationRuns(bool appRunning, bool viewExists, bool viewPinned);

}  // namespace pin
