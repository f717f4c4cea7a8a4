#pragma once

#include "platform/desktop/WindowServer.h"

#include <optional>

// Fresh questions to the window server about one window. Stateless; any thread.
namespace WindowQuery {

// The window's entry of the window list, only while the window server shows it on
// screen; none when it is off screen, gone or the list cannot be read.
std::optional<desktop::WindowInfo> onScreenInfo(desktop::WindowID windowID);

// The window's entry of the full window list, on screen or not; none when it no longer
// exists or the list cannot be read.
std::optional<desktop::WindowInfo> listedInfo(desktop::WindowID windowID);

// The entry's bounds in global points; a missing bounds entry reads as a zero rectangle.
core::Rect boundsOf(const desktop::WindowInfo& info);

}  // namespace WindowQuery
