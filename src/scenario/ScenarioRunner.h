#pragma once

#include "app/Application.h"
#include "scenario/OutputFolder.h"
#include "scenario/ScenarioFile.h"

#include <memory>
#include <string>
#include <variant>

namespace scenario {

struct RunResult {
    // 0 when the run reached its end or a quit step, the application's own status when it
    // exited by itself, 2 for a refused scenario, 1 when the run could not go on.
    int status = 0;
    // One line for standard error when something went wrong, its control characters
    // escaped.
    std::string message;
};

// The largest scenario file read, and how deep its JSON may nest.
constexpr std::size_t maxScenarioBytes = 16 * 1024 * 1024;

// Reads the file and checks it against the application's commands; the refusal (status
// 2 and its one line) when it cannot run. Touches nothing.
std::variant<Scenario, RunResult> loadScenario(const std::string& file, const app::Application& app);

// Takes the output folder for the scenario's run (see OutputFolder::attach); the refusal
// (status 1 and its one line) when it cannot. The process's settings, data and runtime
// folders are the output folder's from here on, so the widget toolkit is made after it.
std::optional<RunResult> attachOutput(OutputFolder& output, const Scenario& scenario);
// The same for a run that writes no step's files, with its runtime folder where it says.
std::optional<RunResult> attachOutput(OutputFolder& output, const Scenario& scenario, OutputFolder::Runtime runtime);

// Runs a checked scenario on the simulated desktop under virtual time and writes what
// happened into the attached folder, which it detaches at the end. Installs the manual
// scheduler and the desktop for the run, launches the application once the world
// stands, and ends the application before it removes them again.
RunResult runScenario(const Scenario& scenario, OutputFolder& output, std::unique_ptr<app::Application> app);
// Both of the above.
RunResult runScenario(const Scenario& scenario, const std::string& folder, std::unique_ptr<app::Application> app);

}  // namespace scenario
