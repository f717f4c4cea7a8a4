#pragma once

#include "platform/core/Geometry.h"
#include "app/Application.h"

#include <nlohmann/json.hpp>

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
// mini windows, window parking's records, status items, open menus, hot keys, settings
// and the first-run guide.
// Indented JSON with a final newline; its keys in that order.
std::string stateDump(sim::SimWorld& world, desktop::Input& input, sim::SimHotKeys& hotKeys, const app::Application& app);

}  // namespace scenario
