#include "parking/WindowParking.h"

#include "platform/core/AppIdentity.h"
#include "platform/defaults/SettingsTable.h"

#include <mutex>

namespace {

std::mutex& serviceMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::shared_ptr<ParkingService>& installed()
{
    static std::shared_ptr<ParkingService> service;
    return service;
}

}  // namespace

WindowParking::WindowParking() : queue_(core::AppIdentity::current().bundleIdentifier + ".windowparking") {}

WindowParking& WindowParking::shared()
{
    static WindowParking instance;
    return instance;
}

void WindowParking::install(std::shared_ptr<ParkingService> service)
{
    std::lock_guard lock(serviceMutex());
    installed() = std::move(service);
}

std::shared_ptr<ParkingService> WindowParking::service()
{
    std::lock_guard lock(serviceMutex());
    return installed();
}

WindowParking::RescueOutcome WindowParking::rescueOutcome(desktop::WindowID windowID)
{
    const auto parking = service();
    return parking ? parking->rescueOutcome(windowID) : RescueOutcome::failed;
}

bool WindowParking::isBorrowedByPinnedPreview(desktop::WindowID windowID)
{
    const auto parking = service();
    return parking && parking->isBorrowedByPinnedPreview(windowID);
}

void WindowParking::prewarmDisplay(desktop::WindowID windowID)
{
    if (const auto parking = service()) parking->prewarmDisplay(windowID);
}

void WindowParking::restoreAsync(desktop::WindowID windowID)
{
    if (const auto parking = service()) parking->restoreAsync(windowID);
}

bool WindowParking::bringBackForUser(desktop::WindowID windowID)
{
    const auto parking = service();
    return parking && parking->bringBackForUser(windowID);
}

std::optional<core::Rect> WindowParking::takeOver(desktop::WindowID windowID)
{
    const auto parking = service();
    return parking ? parking->takeOver(windowID) : std::nullopt;
}

void WindowParking::giveBack(desktop::WindowID windowID)
{
    if (const auto parking = service()) parking->giveBack(windowID);
}

void WindowParking::releaseTakeover(desktop::WindowID windowID)
{
    if (const auto parking = service()) parking->releaseTakeover(windowID);
}

int WindowParking::parkedCount()
{
    const auto parking = service();
    return parking ? parking->parkedCount() : 0;
}

int WindowParking::parkedCountSnapshot()
{
    const auto parking = service();
    return parking ? parking->parkedCountSnapshot() : 0;
}

void WindowParking::restoreAllBlocking(double timeout)
{
    if (const auto parking = service()) parking->restoreAllBlocking(timeout);
}

void WindowParking::restoreForActivatedApp(desktop::Pid pid, std::optional<desktop::Pid> frontmostPID)
{
    if (const auto parking = service()) parking->restoreForActivatedApp(pid, frontmostPID);
}

bool WindowParking::rescueWithPips() { return defaults::setting::foreignRescueWithPips.value(); }
