#pragma once

#include "platform/desktop/Input.h"

namespace x11 {

class Connection;
class X11KeyMap;

// Posts an event into the session through XTest, as if the user made it at its global
// point: the pointer moves there for a click and comes back after a scroll. XTest
// reaches the window on top, so a press that names the window it is meant for
// (targetWindow), where one of our own windows covers that window, first raises the
// window right under ours. Without XTest on the display nothing is posted (logged once).
// A key goes out as the key alone: its modifier flags are not pressed with it.
void postEvent(Connection& connection, const X11KeyMap& keyMap, const desktop::Event& event);

}  // namespace x11
