#pragma once

#include "scenario/ScenarioFile.h"

#include <optional>
#include <string>

namespace sim {
class SimInput;
class SimWorld;
}  // namespace sim

// The steps that work the application's own windows: their named controls, and closing
// one by its title.
namespace scenario {

// Clicks, drags or picks the step's control as the user would (clicks go through the
// desktop's input). The reason, led by the step's key path, when the control is not shown
// or cannot take the value.
std::optional<std::string> workControl(const Step& step, const std::string& path, sim::SimInput& input);

// Sends the front-most shown own window with the step's title, as it shows it, the close
// request its title bar's close button sends. The reason, led by the step's key path,
// when no such window is shown.
std::optional<std::string> closeOwnWindow(const Step& step, const std::string& path, sim::SimWorld& world);

// The shown named own windows with their controls, as a "controls" step writes them:
// indented JSON with a final newline.
std::string controlsDump();

}  // namespace scenario
