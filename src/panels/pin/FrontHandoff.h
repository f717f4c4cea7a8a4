#pragma once

#include "platform/desktop/Types.h"

#include <string>

// The wait, after the activations of leaving, until the plan's last application is in
// front; only then does the source window go back, unseen beneath it.
namespace pin {

inline constexpr double handoffPollInterval = 0.05;
inline constexpr double handoffTimeout = 0.6;

struct HandoffStep {
    bool pollAgain = false;
    double waited = 0;    // pollAgain: the counter for the next poll
    std::string logLine;  // !pollAgain: restore now, after logging this
};

// One poll: target the expected front application, front the one in front now (0 when
// none), waited the time counted so far.
HandoffStep frontHandoffStep(desktop::Pid target, desktop::Pid front, double waited);

}  // namespace pin
