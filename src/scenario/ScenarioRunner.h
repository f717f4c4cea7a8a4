#pragma once

#include "scenario/Application.h"

#include <functional>
#include <memory>
#include <string>

namespace scenario {

struct RunResult {
    // 0 when the run reached its end or a quit step, the application's own status when it
    // exited by itself, 2 for a refused scenario, 1 when the run could not go on.
    int status = 0;
    // One line for standard error when something went wrong.
    std::string message;
};

using ApplicationFactory = std::function<std::unique_ptr<Application>()>;

// Runs a scenario file on the simulated desktop under virtual time and writes what
// happened into the folder. Installs the manual scheduler and the desktop for the run and
// removes them afterwards; the application is made before the file is checked (its
// commands are part of the check) and launched once the world stands.
RunResult runScenario(const std::string& file, const std::string& folder, const ApplicationFactory& makeApplication);

}  // namespace scenario
