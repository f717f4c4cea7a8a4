#pragma once

#include "scenario/ScenarioFile.h"

#include <optional>
#include <string>

namespace sim {
class SimInput;
}

// The steps that work the application's own windows through their named controls.
namespace scenario {

// Clicks, drags or picks the step's control as the user would (clicks go through the
// desktop's input). The reason, led by the step's key path, when the control is not shown
// or cannot take the value.
std::optional<std::string> workControl(const Step& step, const std::string& path, sim::SimInput& input);

// The shown named own windows with their controls, as a "controls" step writes them:
// indented JSON with a final newline.
std::string controlsDump();

}  // namespace scenario
