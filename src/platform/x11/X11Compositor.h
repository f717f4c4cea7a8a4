#pragma once

#include "platform/x11/X11Connection.h"

namespace x11 {

// Whether a compositing manager runs on the connection's screen (it owns the selection
// _NET_WM_CM_S<screen>). Without one, window opacity changes nothing on screen: translucent
// windows are drawn opaque.
bool hasCompositingManager(Connection& connection);

// Whether a compositing manager runs on the screen of Qt's own connection, as the server
// answered the last time it was asked (the first call waits for it); true where Qt is not
// on X11. Main thread only.
bool ownWindowsShowThrough();

}  // namespace x11
