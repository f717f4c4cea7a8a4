#pragma once

#include "platform/core/Geometry.h"
#include "platform/desktop/Types.h"

#include <optional>
#include <string>

// Putting a taken-over window back at its saved frame: up to six tries 0.3 s apart, then
// the window is given back to parking under its own number.
namespace pin {

class RestoreRetry {
public:
    static constexpr int lastAttempt = 5;
    static constexpr double retryDelay = 0.3;

    // The source's own window number and owner, fixed at takeover.
    RestoreRetry(desktop::WindowID windowID, desktop::Pid pid, const core::Rect& savedFrame);

    // A try may call the accessibility write only with a window and a pid.
    bool canWrite() const { return windowID_ != 0 && pid_ != 0; }

    struct Outcome {
        enum class Kind { restored, retry, gaveUp };
        Kind kind;
        std::string logLine;                      // restored and gaveUp
        int nextAttempt = 0;                      // retry: after retryDelay
        std::optional<desktop::WindowID> settle;  // restored: release; gaveUp: give back
    };

    // Window managers and applications round a frame by a point or two.
    static constexpr double landingSlack = 2;
    // Whether the window, as read back after a write, stands at the saved frame.
    bool landed(const std::optional<core::Rect>& frame) const;

    // After try n (0 to 5); restored: the write was made and succeeded, and the window
    // landed at the saved frame.
    Outcome afterTry(int attempt, bool restored) const;

    desktop::WindowID windowID() const { return windowID_; }
    desktop::Pid pid() const { return pid_; }
    const core::Rect& savedFrame() const { return savedFrame_; }

private:
    desktop::WindowID windowID_;
    desktop::Pid pid_;
    core::Rect savedFrame_;
};

}  // namespace pin
