#pragma once

#include "platform/desktop/Types.h"

namespace desktop {

// Where a window stands, asked of the window server afresh.
enum class WindowPresence {
    destroyed,
    listed,          // in the window list, on screen or not
    unlisted,        // alive, but its client withdrew it and the list no longer shows it
    otherWorkspace,  // listed on a workspace that does not show
};

// A window server whose list may leave out a window that still exists tells of it here.
class WindowPresenceQuery {
public:
    virtual ~WindowPresenceQuery() = default;
    virtual WindowPresence windowPresence(WindowID window) = 0;
};

// Asks the desktop's window server; where its list tells all there is, a listed window
// exists and any other does not. Any thread.
WindowPresence windowPresence(WindowID window);

}  // namespace desktop
