#pragma once

#include "platform/x11/X11Connection.h"

#include <functional>

namespace x11 {

// Ends the process through `end` (which must not return) once the X server is gone,
// whoever notices first: the connection's event thread; Qt, whose xcb platform would log
// its own lines and call exit(1), whose static destructors free what running workers
// still read; or any other exit() while the display is gone. `end` runs once; whoever
// comes second waits for it. Qt's messages after its connection broke are dropped. Call
// after the desktop is installed, on the main thread, once.
void endWhenDisplayLost(Connection& connection, std::function<void()> end);

}  // namespace x11
