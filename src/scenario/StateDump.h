#pragma once

#include "scenario/Application.h"

#include <string>

namespace desktop {
class Input;
}
namespace sim {
class SimHotKeys;
class SimWorld;
}  // namespace sim

namespace scenario {

// The run's state as a state dump lists it: time, frontmost application, activation
// policy, pointer, displays, windows front to back (the application's own included), the
// mini windows, status items, open menus, hot keys and settings. Indented JSON with a final newline; its keys in
// that order.
std::string stateDump(sim::SimWorld& world, desktop::Input& input, sim::SimHotKeys& hotKeys, const Application& app);

}  // namespace scenario
