#pragma once

// The application's login item. Main thread.
namespace LaunchAtLogin {

// Registers or unregisters the login item; true when the new status matches the wish
// (an item waiting for approval counts as on).
bool setEnabled(bool on);
// Once per installation: turns the login item on unless it is on already; a copy that
// can never be a login item says why and leaves the default to a later launch.
void applyFirstLaunchDefault();

}  // namespace LaunchAtLogin
