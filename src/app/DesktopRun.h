#pragma once

#include <memory>
#include <string>
#include <vector>

namespace x11 {
class Connection;
}

namespace app {

// Runs the application on the X11 desktop behind the connection, on real threads and in
// real time, with the user's own settings, data and runtime folders, until it exits;
// then ends the process with its status. The widget toolkit's application object must
// exist. Signals reach it as in a live run: SIGTERM and SIGINT quit it.
[[noreturn]] void runOnX11Desktop(std::shared_ptr<x11::Connection> connection,
                                  const std::vector<std::string>& launchArgs);

}  // namespace app
