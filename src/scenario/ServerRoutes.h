#pragma once

#include "platform/sim/ScriptedServer.h"

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace scenario {

// The scripted server's routes (the `server` key), each checked; refuses with the key path.
std::vector<sim::ScriptedRoute> readServerRoutes(const nlohmann::json& value, const std::string& path);

}  // namespace scenario
