#pragma once

#include "platform/x11/X11Connection.h"

namespace x11 {

// The server's refusals of requests on Qt's connection (Qt's own for the windows it makes
// for us, and ours made through it) are logged as those of our connection are, once per
// request and error code: Qt keeps them to its debug output. Its connection's resources are
// its own there. Once per application; main thread; nothing where Qt is not on xcb.
void logQtRefusals(const Connection& connection);

}  // namespace x11
