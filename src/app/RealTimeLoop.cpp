#include "app/RealTimeLoop.h"

#include "platform/dispatch/Queue.h"
#include "platform/dispatch/ThreadScheduler.h"
#include "platform/ui/MainQueueDriver.h"
#include "platform/ui/SignalPipe.h"

#include <QGuiApplication>
#include <QTimer>

#include <csignal>
#include <functional>
#include <memory>

namespace app {
namespace {

// How often the loop looks whether the application has exited: each look wakes an idle
// application, and a quit may take that long more.
constexpr int exitPollMilliseconds = 100;

// Qt would quit by itself once its last ordinary window closed, and on a quit request it
// first closes every window, a mini window taking that for its user's close; either way
// the exit skips the application's quit path. A quit request takes that path instead.
class QuitRequestRoute : public QObject {
public:
    explicit QuitRequestRoute(std::function<void()> quit) : quit_(std::move(quit)) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != QCoreApplication::instance() || event->type() != QEvent::Quit) return false;
        quit_();
        return true;
    }

private:
    std::function<void()> quit_;
};

void routeSignals(Application& app, const std::function<void()>& quit)
{
    ui::SignalPipe::handle(SIGTERM, quit);
    ui::SignalPipe::handle(SIGINT, quit);
    ui::SignalPipe::handle(SIGUSR1, [&app] { app.deliverSignal("SIGUSR1"); });
    ui::SignalPipe::handle(SIGUSR2, [&app] { app.deliverSignal("SIGUSR2"); });
}

}  // namespace

int runUntilExit(dispatch::ThreadScheduler& scheduler, Application& app, const std::vector<std::string>& args)
{
    ui::runMainQueueOnQt(scheduler);
    auto quitting = std::make_shared<bool>(false);
    const auto quit = [&app, quitting] {
        if (*quitting) return;
        *quitting = true;
        app.quit();
    };
    routeSignals(app, quit);
    const bool quitOnLastWindowClosed = QGuiApplication::quitOnLastWindowClosed();
    QGuiApplication::setQuitOnLastWindowClosed(false);
    QuitRequestRoute quitRequests(quit);
    QCoreApplication::instance()->installEventFilter(&quitRequests);
    dispatch::main().async([&app, args] { app.launch(args); });

    QTimer exitWatch;
    QObject::connect(&exitWatch, &QTimer::timeout, [&app] {
        if (const auto status = app.exitStatus()) QCoreApplication::exit(*status);
    });
    exitWatch.start(exitPollMilliseconds);
    const int status = QCoreApplication::exec();
    exitWatch.stop();
    QCoreApplication::instance()->removeEventFilter(&quitRequests);
    QGuiApplication::setQuitOnLastWindowClosed(quitOnLastWindowClosed);
    ui::SignalPipe::reset();
    return status;
}

}  // namespace app
