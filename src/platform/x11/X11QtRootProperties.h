#pragma once

#include "platform/x11/X11Connection.h"

#include <memory>

namespace x11 {

// Qt hears every property change of the root on its own connection, though it follows only
// the work area and what the window manager supports; any client may rewrite another root
// property as fast as the server takes it, and Qt's event thread and ours would wake for
// each. While this lives, Qt's connection hears none, and the desktop's connection tells
// Qt those it follows.
class QtRootPropertyRelay {
public:
    virtual ~QtRootPropertyRelay() = default;
};
// Nothing where Qt is not on X11. Main thread only.
std::unique_ptr<QtRootPropertyRelay> relayRootPropertiesToQt(std::shared_ptr<Connection> connection);

}  // namespace x11
