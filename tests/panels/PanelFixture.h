#pragma once

#include "panels/pin/HoverPreview.h"
#include "panels/views/PanelContentView.h"
#include "panels/pin/PinSession.h"
#include "panels/PipPanel.h"
#include "panels/views/ViewAlpha.h"
#include "platform/desktop/Desktop.h"
#include "platform/defaults/Defaults.h"
#include "support/DiagLines.h"
#include "support/QtTestApplication.h"

#include <gtest/gtest.h>

#include <QPointer>

namespace paneltest {

inline constexpr desktop::WindowID sourceID = 500;
// The test desktop's display: 1512×982, its visible frame in screen coordinates.
inline const core::Rect visibleFrame{0, 0, 1512, 957};
inline constexpr double screenHeight = 982;

// Mini windows of animated windows of another application on the simulated desktop;
// every panel still open at the end is closed.
class PanelFixture : public testsupport::SimDesktopDiagTest {
protected:
    void SetUp() override
    {
        testsupport::ensureQtApplication();
        testsupport::SimDesktopDiagTest::SetUp();
        defaults::Defaults::standard().reopen(configHome() + "/Glimra/defaults.json");
        addApp(42, "Notes", "com.example.notes");
        addWindow(42, sourceID, {100, 100, 800, 600}, "Notes");
    }

    void TearDown() override
    {
        while (!PipPanel::all().empty()) PipPanel::all().back()->closePanel(false);
        clock().runUntilIdle();
        PipPanel::isVirtualDisplay() = savedIsVirtual_;
        testsupport::SimDesktopDiagTest::TearDown();
    }

    PipPanel* makePanel(desktop::WindowID id = sourceID, panels::FocusRegion focus = {})
    {
        auto* panel = new PipPanel(shareableWindow(id), focus);
        panel->orderFront();
        return panel;
    }

    void post(desktop::EventType type, core::Point screenPoint, int clickState = 1)
    {
        desktop::Event event;
        event.type = type;
        event.location = {screenPoint.x, screenHeight - screenPoint.y};
        event.clickState = clickState;
        desktop::input().warpPointer(event.location);
        desktop::input().postEvent(event);
    }

    void click(core::Point screenPoint, int clickState = 1)
    {
        post(desktop::EventType::leftMouseDown, screenPoint, clickState);
        post(desktop::EventType::leftMouseUp, screenPoint, clickState);
        clock().runUntilIdle();
    }

    // Screen coordinates of a point of the panel, measured from its top-left corner.
    static core::Point at(const PipPanel& panel, double x, double yFromTop)
    {
        return {panel.frame().minX() + x, panel.frame().maxY() - yFromTop};
    }

    void showChromeNow(PipPanel& panel)
    {
        panel.content->showChrome(true);
        clock().advance(0.2);
    }

private:
    std::function<bool(desktop::DisplayID)> savedIsVirtual_ = PipPanel::isVirtualDisplay();
};

}  // namespace paneltest
