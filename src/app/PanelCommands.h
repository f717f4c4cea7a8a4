#pragma once

#include "panels/FocusRegion.h"
#include "platform/desktop/Types.h"

#include <optional>

// The shell's commands on mini windows. Main thread only.
namespace app {

// Resolves the window through a fresh catalog and opens its mini window, ordered front
// and left where it was placed (not tiled). A window the catalog does not offer is one
// log line and no panel.
void mirrorWindow(desktop::WindowID windowID, const FocusRegion& focus);

// Lets the user drag out a region that becomes a focus mini window (through
// mirrorWindow). With a window (resolved through a fresh catalog first) the selection is
// limited to it and follows the button already down; without one it waits for the
// button to be up, then takes the window under the press. Without the screen-recording
// permission it is one log line and nothing starts.
void beginFocusCreate(std::optional<desktop::WindowID> restrictTo);

// Closes every mini window of the source window; one log line when there is none.
void closePanels(desktop::WindowID windowID);

// For each panel in order: flips its pause, pauses or resumes its stream, and shows the
// state in its top bar's title.
void togglePauseAll();

}  // namespace app
