#pragma once

#include "app/Application.h"
#include "scenario/OutputFolder.h"
#include "scenario/ScenarioFile.h"

#include <memory>
#include <string>
#include <vector>

namespace scenario {

// Runs the application on real threads and in real time, on the simulated desktop of the
// scenario's world, its steps ignored, until the application exits; then ends the
// process with the application's status. The widget toolkit's application object must
// exist and the output folder be attached keeping the user's runtime folder, where
// the instance lock is shared with other copies.
//
// SIGTERM and SIGINT start the application's quit path (once), SIGUSR1 and SIGUSR2 reach
// it as signals. The launch arguments are the scenario's, then `extraArgs`. A copy that
// holds the instance lock is listed by the workspace with the application's own
// identifier, and activating it asks it to reopen.
[[noreturn]] void runLive(const Scenario& scenario, OutputFolder& output, std::unique_ptr<app::Application> app,
                          const std::vector<std::string>& extraArgs);

}  // namespace scenario
