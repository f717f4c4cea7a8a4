#pragma once

#include "scenario/JsonFields.h"
#include "scenario/ScenarioFile.h"

#include <functional>
#include <string>
#include <variant>

namespace scenario {

// Whether the application under test has a command of that name.
using CommandCheck = std::function<bool(const std::string& name)>;

// Reads a scenario and checks every key, type, range and reference in it; answers the
// first problem, with its key path, when the file cannot run.
std::variant<Scenario, ValidationError> readScenario(const std::string& text, const CommandCheck& hasCommand);

}  // namespace scenario
