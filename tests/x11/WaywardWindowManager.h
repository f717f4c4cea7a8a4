#pragma once

#include "support/X11Client.h"

#include <string>

// Telling the test window manager without frames (programs/WaywardWindowManager.cpp) how
// to carry moves out, on the display DISPLAY names.
namespace testsupport::wayward {

// "late", "half" (the position only), or anything else: at once.
inline void carryMovesOut(const std::string& how)
{
    runTool({"xprop", "-root", "-f", "_WAYWARD_MODE", "8s", "-set", "_WAYWARD_MODE", how});
}

inline bool allMovesCarriedOut() { return runTool({"xprop", "-root", "_WAYWARD_PENDING"}).ends_with(" = 0\n"); }

}  // namespace testsupport::wayward
