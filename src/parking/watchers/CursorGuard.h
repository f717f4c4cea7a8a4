#pragma once

// Keeps the pointer off the virtual displays. No virtual display is made yet, so the
// pointer can never be lost on one: the probe does not run and the escape key only
// notes that it arrived.
class CursorGuard {
public:
    static CursorGuard& shared();

    // Once at launch, on the main thread.
    void start();
    // The escape hot key's action, on the main thread.
    void rescueNow();

private:
    CursorGuard() = default;
};
