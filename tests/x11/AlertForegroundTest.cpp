#include "support/TestEnvironment.h"
#include "support/X11Client.h"
#include "x11/GlimraOnDesktop.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// An alert blocks glimra's other windows until it is answered, so it must never lie where
// the user does not look: it comes up focused, above other windows and on every
// workspace, and a click on the status item, which it blocks, brings it forward again.
namespace {

using namespace testsupport;

// The status menu's "复制诊断信息" row, counted from its bottom; choosing it ends in an alert.
constexpr int copyDiagnosticsRow = 2;

std::string id(unsigned long window) { return std::to_string(window); }

unsigned long activeWindow()
{
    const std::string active = runTool({"xdotool", "getactivewindow"});
    return active.empty() ? 0 : std::stoul(active);
}

std::string propertyOf(unsigned long window, const std::string& name)
{
    return runTool({"xprop", "-id", id(window), name});
}

// The alert of the copied diagnostics, chosen in the status menu of the item; 0 when none
// came.
unsigned long openAlert(GlimraOnDesktop& glimra, unsigned long statusItem)
{
    const std::vector<unsigned long> before = visibleWindowsOf(glimra.pid());
    chooseInStatusMenu(glimra, statusItem, copyDiagnosticsRow);
    return waitForNewWindow(glimra.pid(), before);
}

// Turns to another window, clicks the status item and tells whether that brought the
// alert back to the front with the focus.
bool clickOnItemBringsBack(unsigned long alert, unsigned long otherWindow, unsigned long statusItem)
{
    runTool({"xdotool", "windowactivate", "--sync", id(otherWindow)});
    EXPECT_TRUE(waitUntil([&] { return activeWindow() == otherWindow; }, 5));
    const Geometry place = geometryOf(statusItem);
    EXPECT_TRUE(movePointer(place.x + place.width / 2, place.y + place.height / 2));
    runTool({"xdotool", "click", "1"});
    return waitUntil([&] { return activeWindow() == alert; }, 5);
}

TEST(X11AlertForeground, AnAlertComesUpFocusedAboveOnEveryWorkspaceAndAClickOnTheStatusButtonBringsItBack)
{
    X11Client terminal({"xterm", "-geometry", "80x24+300+200"});
    const unsigned long terminalWindow = terminal.waitForWindow("XTerm");
    ASSERT_NE(terminalWindow, 0u);
    GlimraOnDesktop glimra;
    ASSERT_TRUE(glimra.ready()) << glimra.err();
    const unsigned long button = statusButtonOf(glimra.pid());
    ASSERT_NE(button, 0u);

    const unsigned long alert = openAlert(glimra, button);
    ASSERT_NE(alert, 0u) << "no alert; log:\n" << glimra.log();
    EXPECT_TRUE(waitUntil([&] { return activeWindow() == alert; }, 5)) << "the alert comes up without the focus";
    const std::string state = propertyOf(alert, "_NET_WM_STATE");
    EXPECT_NE(state.find("_NET_WM_STATE_ABOVE"), std::string::npos) << state;
    // openbox has no sticky state (it drops it from the list): every workspace is this.
    EXPECT_NE(propertyOf(alert, "_NET_WM_DESKTOP").find("= 4294967295"), std::string::npos)
        << propertyOf(alert, "_NET_WM_DESKTOP");

    EXPECT_TRUE(clickOnItemBringsBack(alert, terminalWindow, button))
        << "a click on the status button leaves the alert behind";

    // On another workspace the alert is there too.
    runTool({"wmctrl", "-s", "1"});
    EXPECT_TRUE(waitUntil(
        [] {
            return runTool({"xprop", "-root", "_NET_CURRENT_DESKTOP"}).find("= 1") != std::string::npos;
        },
        5));
    EXPECT_TRUE(isVisibleWindowOf(glimra.pid(), alert)) << "the alert stayed on the first workspace";
    runTool({"wmctrl", "-s", "0"});

    answerAlert(alert);
    ASSERT_TRUE(goneFromScreen(glimra.pid(), alert));
    const std::vector<unsigned long> shown = visibleWindowsOf(glimra.pid());
    runTool({"xdotool", "click", "1"});
    EXPECT_NE(waitForNewWindow(glimra.pid(), shown, 5), 0u) << "once the alert is answered the button opens the menu";
    runTool({"xdotool", "key", "Escape"});
}

// The icon in an XEmbed tray is no window the window manager knows: only glimra itself
// can tell that a click on it, which the alert blocks, must bring the alert back.
TEST(X11AlertForeground, AClickOnTheTrayIconBringsTheAlertBack)
{
    X11Client terminal({"xterm", "-geometry", "80x24+300+200"});
    const unsigned long terminalWindow = terminal.waitForWindow("XTerm");
    ASSERT_NE(terminalWindow, 0u);
    X11Client trayer({"trayer", "--edge", "top", "--align", "right", "--widthtype", "request", "--height", "24",
                      "--SetDockType", "true"});
    ASSERT_NE(trayer.waitForWindow("trayer"), 0u);
    GlimraOnDesktop glimra;
    ASSERT_TRUE(glimra.ready()) << glimra.err();
    unsigned long icon = 0;
    ASSERT_TRUE(waitUntil([&] {
        for (const unsigned long window : visibleWindowsOf(glimra.pid())) {
            const Geometry place = geometryOf(window);
            if (place.width <= 48 && place.y < 24 && place.x > 0) icon = window;
        }
        return icon != 0;
    })) << "no icon in the tray";

    const unsigned long alert = openAlert(glimra, icon);
    ASSERT_NE(alert, 0u) << "no alert; log:\n" << glimra.log();
    EXPECT_TRUE(clickOnItemBringsBack(alert, terminalWindow, icon)) << "a click on the icon leaves the alert behind";
    answerAlert(alert);
    EXPECT_TRUE(goneFromScreen(glimra.pid(), alert));
}

}  // namespace
