#pragma once

#include "foundation/Diag.h"
#include "foundation/EventBridge.h"
#include "support/SimDesktopTest.h"

#include <sstream>
#include <string>
#include <vector>

// The simulated desktop with a fresh diagnostics log whose lines can be read back
// without their time stamps.
class BridgeTest : public testsupport::SimDesktopTest {
protected:
    void SetUp() override
    {
        SimDesktopTest::SetUp();
        Diag::resetForTesting();
        EventBridge::lastForwardTime = -1.0e9;
        EventBridge::lastForeignFrontPid = 0;
    }
    void TearDown() override
    {
        SimDesktopTest::TearDown();
        Diag::resetForTesting();
    }

    std::vector<std::string> logLines() const
    {
        std::vector<std::string> lines;
        std::istringstream in(testsupport::readFile(dataHome() + "/Glimra/diag.log"));
        for (std::string line; std::getline(in, line);) lines.push_back(line.substr(std::string("HH:mm:ss ").size()));
        return lines;
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
