#pragma once

#include "app/CommandCall.h"
#include "scenario/JsonFields.h"
#include "scenario/ScenarioFile.h"

#include <functional>
#include <optional>
#include <string>
#include <variant>

namespace scenario {

// The fields the application's command of that name takes; none when it has no such
// command.
using CommandCheck = std::function<std::optional<app::CommandFields>(const std::string& name)>;

// Reads a scenario and checks every key, type, range and reference in it; answers the
// first problem, with its key path, when the file cannot run.
std::variant<Scenario, ValidationError> readScenario(const std::string& text, const CommandCheck& hasCommand);

}  // namespace scenario
