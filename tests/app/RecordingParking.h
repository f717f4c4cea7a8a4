#pragma once

#include "parking/ParkingService.h"

#include <functional>

// A parking service that parks nothing and tells each operation called, by its name,
// with its window number (the activated pid for restoreForActivatedApp, 0 for the
// operations without a window).
class RecordingParking : public ParkingService {
public:
    using Hook = std::function<void(const char* operation, desktop::WindowID windowID)>;
    explicit RecordingParking(Hook hook) : hook_(std::move(hook)) {}

    RescueOutcome rescueOutcome(desktop::WindowID id) override
    {
        return note("rescueOutcome", id), RescueOutcome::failed;
    }
    bool isBorrowedByPinnedPreview(desktop::WindowID id) override
    {
        return note("isBorrowedByPinnedPreview", id), false;
    }
    void prewarmDisplay(desktop::WindowID id) override { note("prewarmDisplay", id); }
    void restoreAsync(desktop::WindowID id) override { note("restoreAsync", id); }
    bool bringBackForUser(desktop::WindowID id) override { return note("bringBackForUser", id), false; }
    std::optional<core::Rect> takeOver(desktop::WindowID id) override { return note("takeOver", id), std::nullopt; }
    void giveBack(desktop::WindowID id) override { note("giveBack", id); }
    void releaseTakeover(desktop::WindowID id) override { note("releaseTakeover", id); }
    int parkedCount() override { return note("parkedCount", 0), 0; }
    int parkedCountSnapshot() const override { return note("parkedCountSnapshot", 0), 0; }
    void restoreAllBlocking(double) override { note("restoreAllBlocking", 0); }
    void restoreForActivatedApp(desktop::Pid pid, std::optional<desktop::Pid>) override
    {
        note("restoreForActivatedApp", static_cast<desktop::WindowID>(pid));
    }

private:
    void note(const char* operation, desktop::WindowID id) const { hook_(operation, id); }
    Hook hook_;
};
