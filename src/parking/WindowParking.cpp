#include "parking/WindowParking.h"

#include "platform/core/AppIdentity.h"
#include "platform/defaults/Defaults.h"

// Until windows are parked for real nothing is ever parked or lent: every request is
// declined and every give-back or restore finds no record.

WindowParking::WindowParking() : queue_(core::AppIdentity::current().bundleIdentifier + ".windowparking") {}

WindowParking& WindowParking::shared()
{
    static WindowParking instance;
    return instance;
}

WindowParking::RescueOutcome WindowParking::rescueOutcome(desktop::WindowID) { return RescueOutcome::failed; }

bool WindowParking::isBorrowedByPinnedPreview(desktop::WindowID) { return false; }

void WindowParking::prewarmDisplay(desktop::WindowID) {}

void WindowParking::restoreAsync(desktop::WindowID) {}

bool WindowParking::bringBackForUser(desktop::WindowID) { return false; }

std::optional<core::Rect> WindowParking::takeOver(desktop::WindowID) { return std::nullopt; }

void WindowParking::giveBack(desktop::WindowID) {}

void WindowParking::releaseTakeover(desktop::WindowID) {}

bool WindowParking::rescueWithPips()
{
    return defaults::Defaults::standard().boolean("foreignRescueWithPips").value_or(true);
}
