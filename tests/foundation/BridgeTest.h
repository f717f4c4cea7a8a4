#pragma once

#include "foundation/EventBridge.h"
#include "support/DiagLines.h"

// The simulated desktop with a fresh log and the bridge's shared values reset.
class BridgeTest : public testsupport::SimDesktopDiagTest {
protected:
    void SetUp() override
    {
        testsupport::SimDesktopDiagTest::SetUp();
        EventBridge::lastForwardTime = -1.0e9;
        EventBridge::lastForeignFrontPid = 0;
    }

    // A shareable-window record of a window, as the catalog would make it.
    desktop::ShareableWindow shareable(desktop::WindowID id, desktop::Pid pid, const std::string& bundleID,
                                       const core::Rect& frame)
    {
        desktop::ShareableWindow window;
        window.windowID = id;
        window.frame = frame;
        window.owningApplication = desktop::ShareableApplication{bundleID, "App", pid};
        return window;
    }
};
