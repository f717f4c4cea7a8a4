#pragma once

#include <functional>

// Shows the Dock icon while an auxiliary window (settings, first-run guide) is visible
// and goes back to a menu-bar-only agent when none is. Main thread.
namespace AuxWindowActivation {

// Answers whether the auxiliary window it stands for exists and is visible.
using Provider = std::function<bool()>;

// Each owner registers once per process.
void registerProvider(Provider provider);
// Call when an auxiliary window opens or closes.
void refresh();

}  // namespace AuxWindowActivation
