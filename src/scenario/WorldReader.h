#pragma once

#include "scenario/ScenarioFile.h"

#include <nlohmann/json.hpp>

#include <map>
#include <string>
#include <vector>

// Readers of the world a scenario launches into: its clock, settings, displays, running
// applications and the desktop's switches. They throw ValidationError with the key path,
// as the scenario reader's others do.
namespace scenario {

double readClock(const nlohmann::json& value, const std::string& path);
// Only the keys the application reads; a misspelt one would silently read as absent.
nlohmann::json readSettings(const nlohmann::json& value, const std::string& path);
ScenarioDisplay readDisplay(const nlohmann::json& value, const std::string& path);
ScenarioWindow readWindow(const nlohmann::json& value, const std::string& path);
sim::AppBehavior readBehavior(const nlohmann::json& value, const std::string& path);
ScenarioApp readApp(const nlohmann::json& value, const std::string& path);
sim::SimVirtualDisplays::Options readVirtualDisplays(const nlohmann::json& value, const std::string& path);
sim::SimWindowServer::Switches readWindowServer(const nlohmann::json& value, const std::string& path);
std::map<std::string, std::string> readEnvironment(const nlohmann::json& value, const std::string& path);
LoginItemWorld readLoginItem(const nlohmann::json& value, const std::string& path);
core::SystemInfo readSystem(const nlohmann::json& value, const std::string& path, core::SystemInfo system);
std::vector<sim::SimHotKeys::Combination> readReservedHotkeys(const nlohmann::json& value, const std::string& path);

}  // namespace scenario
