#pragma once

#include "scenario/ScenarioFile.h"
#include "scenario/ScenarioParser.h"

#include <nlohmann/json.hpp>

#include <string>

namespace scenario {

// One step of a scenario, its keys checked against those its kind takes and a command
// against the application's.
Step readStep(const nlohmann::json& value, const std::string& path, const CommandCheck& hasCommand);

}  // namespace scenario
