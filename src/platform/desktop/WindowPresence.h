#pragma once

namespace desktop {

// Where a window stands, asked of the window server afresh.
enum class WindowPresence {
    destroyed,
    listed,          // in the window list, on screen or not
    // Listed on the workspace that shows, and alive: the server reports each destroyed
    // window, so one that shows nowhere (iconified, or unmapped to show the desktop) lives.
    listedAlive,
    unlisted,        // alive, but its client withdrew it and the list no longer shows it
    otherWorkspace,  // listed on a workspace that does not show
};

}  // namespace desktop
