#pragma once

#include "platform/desktop/Desktop.h"

#include <memory>

namespace x11 {

class Connection;

// Every service of the desktop on the X server behind the connection, with the user's
// own clipboard, browser, autostart folder, tools and network beside them.
std::shared_ptr<desktop::Desktop> makeDesktop(std::shared_ptr<Connection> connection);

}  // namespace x11
