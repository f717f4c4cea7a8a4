#include "scenario/RealTimeLoop.h"

#include "platform/dispatch/Queue.h"
#include "platform/dispatch/ThreadScheduler.h"
#include "platform/ui/MainQueueDriver.h"
#include "platform/ui/SignalPipe.h"

#include <QCoreApplication>
#include <QTimer>

#include <csignal>
#include <memory>

namespace scenario {
namespace {

// How often the loop looks whether the application has exited.
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

int runUntilExit(dispatch::ThreadScheduler& scheduler, Application& app, const std::vector<std::string>& args)
{
    ui::runMainQueueOnQt(scheduler);
    routeSignals(app);
    dispatch::main().async([&app, args] { app.launch(args); });

    QTimer exitWatch;
    QObject::connect(&exitWatch, &QTimer::timeout, [&app] {
        if (const auto status = app.exitStatus()) QCoreApplication::exit(*status);
    });
    exitWatch.start(exitPollMilliseconds);
    const int status = QCoreApplication::exec();
    exitWatch.stop();
    ui::SignalPipe::reset();
    return status;
}

}  // namespace scenario
