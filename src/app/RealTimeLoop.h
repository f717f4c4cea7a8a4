#pragma once

#include "app/Application.h"

#include <string>
#include <vector>

namespace dispatch {
class ThreadScheduler;
}

namespace app {

// Launches the application with the arguments and drives it on the widget toolkit's
// event loop, the scheduler's main queue included, until it exits; answers its status.
// SIGTERM, SIGINT and a quit request to the toolkit (a session ending) start the
// application's quit path (once); closing windows never ends the loop. SIGUSR1 and SIGUSR2
// reach it as signals. The handlers are removed again before it returns. The scheduler and
// the desktop must be installed.
int runUntilExit(dispatch::ThreadScheduler& scheduler, Application& app, const std::vector<std::string>& args);

}  // namespace app
