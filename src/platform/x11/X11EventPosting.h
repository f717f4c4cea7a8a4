#pragma once

#include "platform/desktop/Input.h"

namespace x11 {

class Connection;

// Posts an event into the session through XTest, as if the user made it at its global
// point: the pointer moves there for a click and comes back after a scroll. XTest
// reaches the window on top, so a press that names the window it is meant for
// (targetWindow), where one of our own windows covers that window, first raises the
// window right under ours. Without XTest on the display nothing is posted (logged once).
// Key events are not posted yet.
void postEvent(Connection& connection, const desktop::Event& event);

}  // namespace x11
