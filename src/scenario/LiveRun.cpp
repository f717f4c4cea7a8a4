#include "scenario/LiveRun.h"

#include "scenario/LockHolder.h"
#include "app/RealTimeLoop.h"
#include "scenario/RunDesktop.h"

#include "platform/desktop/Desktop.h"
#include "platform/dispatch/ThreadScheduler.h"
#include "platform/sim/SimWorkspace.h"

#include <cstdio>
#include <unistd.h>

namespace scenario {

void runLive(const Scenario& scenario, OutputFolder& output, std::unique_ptr<app::Application> app,
             const std::vector<std::string>& extraArgs)
{
    auto scheduler = std::make_shared<dispatch::ThreadScheduler>();
    dispatch::install(scheduler);
    // Never destroyed: the workers of the real scheduler may still run the application's
    // work when the process ends, so nothing they reach is taken down under them.
    auto* desktop = new RunDesktop(scenario, output);
    announceLockHolder(simulated<sim::SimWorkspace>(desktop->services().workspace));

    std::vector<std::string> args = scenario.args;
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    const int status = app::runUntilExit(*scheduler, *app, args);

    app.reset();
    output.detach();
    std::fflush(nullptr);
    ::_exit(status);
}

}  // namespace scenario
