#include "parking/WindowParking.h"

#include "platform/core/AppIdentity.h"
#include "platform/defaults/Defaults.h"

// Until windows are parked for real nothing is ever parked or lent: every request is
// declined and every give-back or restore finds no record.

namespace {

void note(const char* operation, desktop::WindowID windowID)
{
    if (WindowParking::callHook) WindowParking::callHook(operation, windowID);
}

}  // namespace

WindowParking::WindowParking() : queue_(core::AppIdentity::current().bundleIdentifier + ".windowparking") {}

WindowParking& WindowParking::shared()
{
    static WindowParking instance;
    return instance;
}

WindowParking::RescueOutcome WindowParking::rescueOutcome(desktop::WindowID windowID)
{
    note("rescueOutcome", windowID);
    return RescueOutcome::failed;
}

bool WindowParking::isBorrowedByPinnedPreview(desktop::WindowID windowID)
{
    note("isBorrowedByPinnedPreview", windowID);
    return false;
}

void WindowParking::prewarmDisplay(desktop::WindowID windowID) { note("prewarmDisplay", windowID); }

void WindowParking::restoreAsync(desktop::WindowID windowID) { note("restoreAsync", windowID); }

bool WindowParking::bringBackForUser(desktop::WindowID windowID)
{
    note("bringBackForUser", windowID);
    return false;
}

std::optional<core::Rect> WindowParking::takeOver(desktop::WindowID windowID)
{
    note("takeOver", windowID);
    return std::nullopt;
}

void WindowParking::giveBack(desktop::WindowID windowID) { note("giveBack", windowID); }

void WindowParking::releaseTakeover(desktop::WindowID windowID) { note("releaseTakeover", windowID); }

int WindowParking::parkedCount()
{
    note("parkedCount", 0);
    return 0;
}

void WindowParking::restoreAllBlocking(double /*timeout*/) { note("restoreAllBlocking", 0); }

void WindowParking::restoreForActivatedApp(desktop::Pid pid, std::optional<desktop::Pid> /*frontmostPID*/)
{
    note("restoreForActivatedApp", static_cast<desktop::WindowID>(pid));
}

bool WindowParking::rescueWithPips()
{
    return defaults::Defaults::standard().boolean("foreignRescueWithPips").value_or(true);
}
