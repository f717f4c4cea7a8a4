#include "scenario/LiveRun.h"

#include "scenario/LockHolder.h"
#include "scenario/RunDesktop.h"

#include "platform/desktop/Desktop.h"
#include "platform/dispatch/Queue.h"
#include "platform/dispatch/ThreadScheduler.h"
#include "platform/sim/SimWorkspace.h"
#include "platform/ui/MainQueueDriver.h"
#include "platform/ui/SignalPipe.h"

#include <QCoreApplication>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace scenario {
namespace {

// How often the run looks whether the application has exited.
constexpr int exitPollMilliseconds = 10;

void routeSignals(Application& app)
{
    auto quitting = std::make_shared<bool>(false);
    const auto quit = [&app, quitting] {
        if (*quitting) return;
        *quitting = true;
        app.quit();
    };
    ui::SignalPipe::handle(SIGTERM, quit);
    ui::SignalPipe::handle(SIGINT, quit);
    ui::SignalPipe::handle(SIGUSR1, [&app] { app.deliverSignal("SIGUSR1"); });
    ui::SignalPipe::handle(SIGUSR2, [&app] { app.deliverSignal("SIGUSR2"); });
}

}  // namespace

void runLive(const Scenario& scenario, OutputFolder& output, std::unique_ptr<Application> app,
             const std::vector<std::string>& extraArgs)
{
    auto scheduler = std::make_shared<dispatch::ThreadScheduler>();
    dispatch::install(scheduler);
    // Never destroyed: the workers of the real scheduler may still run the application's
    // work when the process ends, so nothing they reach is taken down under them.
    auto* desktop = new RunDesktop(scenario, output);
    announceLockHolder(simulated<sim::SimWorkspace>(desktop->services().workspace));
    ui::runMainQueueOnQt(*scheduler);
    routeSignals(*app);

    std::vector<std::string> args = scenario.args;
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    dispatch::main().async([&app, args] { app->launch(args); });

    QTimer exitWatch;
    QObject::connect(&exitWatch, &QTimer::timeout, [&app] {
        if (const auto status = app->exitStatus()) QCoreApplication::exit(*status);
    });
    exitWatch.start(exitPollMilliseconds);
    const int status = QCoreApplication::exec();
    exitWatch.stop();

    ui::SignalPipe::reset();
    app.reset();
    output.detach();
    std::fflush(nullptr);
    ::_exit(status);
}

}  // namespace scenario
