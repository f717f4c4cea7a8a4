#pragma once

#include "panels/rules/FocusRegion.h"
#include "platform/desktop/Types.h"

#include <optional>

// Commands a scenario gives on a window by its number, standing for what the user does
// with the pointer on it. Main thread only.
namespace app {

// Resolves the window through a fresh catalog and opens its mini window, ordered front
// and left where it was placed (not tiled); a window that has one already gets no second.
// A window the catalog does not offer is one log line and no panel.
void mirrorWindow(desktop::WindowID windowID, const panels::FocusRegion& focus);

// The delegate's region selection; with a window, resolved through a fresh catalog
// first (one log line and nothing started when it is not offered). Without the
// screen-recording permission the delegate's permission alert shows.
void beginFocusCreateOn(std::optional<desktop::WindowID> restrictTo);

// Closes every mini window of the source window; one log line when there is none.
void closePanels(desktop::WindowID windowID);

// Brings the window and its application forward as a click on its mini window does, the
// window taken back from parking first; a window the window list does not hold is one log
// line and nothing else.
void focusWindow(desktop::WindowID windowID);

}  // namespace app
