#pragma once

#include "platform/desktop/Input.h"
#include "platform/desktop/Types.h"

#include <cstdint>
#include <functional>
#include <optional>

// While a takeover lasts, a double click in the top 30 pt of the taken-over window leaves
// the pin (one session event tap, main thread only). Each install is numbered, and only
// the pin that installed the current tap may take it down.
namespace pin::FixedPreviewTopStrip {

inline constexpr double stripHeight = 30;

// On a desktop without event taps there is no strip: says so once, at launch.
void logAvailabilityAtLaunch();

// Replaces any installed tap; answers the installation's number (never 0).
std::uint64_t install(desktop::WindowID targetWindowNumber, std::function<void()> onDouble);
// Takes the tap down only when installation is the current one.
void uninstall(std::uint64_t installation);
// Takes down whatever is installed.
void uninstall();

// The tap's filter: false swallows the event.
bool tapCallback(const desktop::Event& event);

desktop::WindowID targetWindowNumber();
bool tapInstalled();

}  // namespace pin::FixedPreviewTopStrip
