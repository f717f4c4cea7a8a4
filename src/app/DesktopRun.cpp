#include "app/DesktopRun.h"

#include "app/AppDelegate.h"
#include "app/HungQuitGuard.h"
#include "app/RealTimeLoop.h"
#include "foundation/Diag.h"

#include "platform/core/SystemLog.h"
#include "platform/desktop/Desktop.h"
#include "platform/dispatch/ThreadScheduler.h"
#include "platform/x11/X11Compositor.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11ConnectionLoss.h"
#include "platform/x11/X11Desktop.h"
#include "platform/x11/X11ServerAnswers.h"

#include <csignal>
#include <cstdio>
#include <memory>
#include <unistd.h>

namespace app {
namespace {

std::string displaysLine()
{
    const auto displays = desktop::displays().activeDisplays();
    std::string line = "X11: displays changed ⇒ " + std::to_string(displays.size()) + ":";
    for (const auto& display : displays) {
        const auto& f = display.frame;
        line += " " + display.name + " " + std::to_string(static_cast<int>(f.width())) + "x" +
                std::to_string(static_cast<int>(f.height())) + "@(" + std::to_string(static_cast<int>(f.minX())) + "," +
                std::to_string(static_cast<int>(f.minY())) + ")";
    }
    return line;
}

// Without the X server nothing more can be shown or read: one line, the workers stopped,
// and an exit that frees nothing they might still read; the system log says nothing more.
void endForLostDisplay(const std::string& display, dispatch::ThreadScheduler& scheduler)
{
    core::systemLog::setSink([](const std::string&) {});
    Diag::log("X11: lost the display " + display + " ⇒ exit 1");
    std::fprintf(stderr, "glimra: lost the connection to the X11 display '%s'\n", display.c_str());
    std::fflush(stderr);
    scheduler.stopWorkers(1.0);
    ::_exit(1);
}

}  // namespace

void runOnX11Desktop(std::shared_ptr<x11::Connection> connection, const std::vector<std::string>& launchArgs)
{
    // A request written to a server that is gone must fail as a lost connection, which the
    // lost-display path tells of, not end the process by SIGPIPE with nothing said. The
    // programs we start get the default back.
    std::signal(SIGPIPE, SIG_IGN);
    auto scheduler = std::make_shared<dispatch::ThreadScheduler>();
    dispatch::install(scheduler);
    // Installed for good: the scheduler's workers may still reach the desktop when the
    // process ends. Alerts need nothing: without an installed presenter they are dialogs.
    desktop::install(x11::makeDesktop(connection));
    x11::endWhenDisplayLost(
        *connection, [display = connection->displayName(), scheduler] { endForLostDisplay(display, *scheduler); });
    // What fails with a display that is gone (frames, requests) is no news: the one line
    // of the lost display tells it.
    core::systemLog::setSink([connection](const std::string& line) {
        if (!connection->broken()) std::fprintf(stderr, "%s\n", line.c_str());
    });
    if (!connection->hasShm()) Diag::log("X11: no MIT-SHM on this display ⇒ frames are read without shared memory");
    if (!x11::hasCompositingManager(*connection))
        Diag::log("X11: no compositing manager ⇒ translucent windows are drawn opaque");
    // Monitors come and go under the mini windows; the log tells which are left.
    desktop::displays().addConfigurationObserver([] { Diag::log(displaysLine()); });
    if (!connection->hasXInput())
        Diag::log("X11: no XInput 2.2 on this display ⇒ keys and clicks outside our windows are not watched");
    if (!connection->hasXTest()) Diag::log("X11: no XTest on this display ⇒ no input is posted into other windows");

    // Another client's grab of the server holds Qt's drawing and our requests alike.
    endQuitsThatHang([answers = std::make_shared<x11::ServerAnswers>(connection->displayName())] {
        return answers->unansweredFor();
    });
    auto application = std::make_unique<AppDelegate>();
    const int status = runUntilExit(*scheduler, *application, launchArgs);
    application.reset();
    std::fflush(nullptr);
    ::_exit(status);
}

}  // namespace app
