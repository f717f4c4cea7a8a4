#pragma once

namespace desktop {

// Where a window stands, asked of the window server afresh.
enum class WindowPresence {
    destroyed,
    listed,          // in the window list, on screen or not
    unlisted,        // alive, but its client withdrew it and the list no longer shows it
    otherWorkspace,  // listed on a workspace that does not show
};

}  // namespace desktop
