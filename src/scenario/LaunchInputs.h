#pragma once

#include "scenario/ScenarioFile.h"

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

// What a run sets up for the application besides the desktop: its identity, the files
// placed before launch and the answers to its alerts. Readers throw ValidationError
// with the key path, as the scenario reader's others do.
namespace scenario {

IdentityWorld readIdentity(const nlohmann::json& value, const std::string& path);
std::vector<PlacedFile> readPlacedFiles(const nlohmann::json& value, const std::string& path);
std::vector<int> readAlertAnswers(const nlohmann::json& value, const std::string& path);

// Refuses a placed file or bundle path that is one of the run's own outputs (its files,
// folders, temporaries, the steps' files) or lies below one of its files, and a file
// placed twice or where another placed file needs a folder.
void checkLaunchPaths(const Scenario& scenario);

}  // namespace scenario
