#include "support/X11Client.h"
#include "x11/GlimraOnDesktop.h"
#include "x11/TestDisplay.h"

#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <vector>

// Mini windows and the status button go along when the user changes workspace, as seen
// from outside: map states and the window manager's properties.
namespace {

using namespace testsupport;

// Changing the number of workspaces outlives the test on a shared display: this one has
// a display of its own.
TEST(X11EveryWorkspace, MiniWindowsAndTheStatusButtonStayOnEveryWorkspace)
{
    TestDisplay display("1920x1080x24");
    ASSERT_TRUE(display.ready()) << "no X server of the test's own came up";
    ASSERT_TRUE(askForTwoWorkspaces());
    X11Client clock({"xclock", "-geometry", "164x164+40+640"});
    X11Client terminal({"xterm", "-geometry", "50x10+260+640"});
    ASSERT_NE(clock.waitForWindow("XClock"), 0u);
    const unsigned long terminalWindow = terminal.waitForWindow("XTerm");
    ASSERT_NE(terminalWindow, 0u);

    GlimraOnDesktop glimra;
    ASSERT_TRUE(glimra.ready()) << glimra.err();
    const unsigned long button = statusButtonOf(glimra.pid());
    ASSERT_NE(button, 0u) << "openbox alone has no tray";
    std::vector<unsigned long> known = visibleWindowsOf(glimra.pid());
    glimra.process().signal(SIGUSR2);  // the smallest window: the clock
    const unsigned long clockMini = glimra.waitForNewPictureWindow(known);
    ASSERT_NE(clockMini, 0u) << glimra.log();
    known.push_back(clockMini);
    runTool({"xdotool", "windowactivate", "--sync", std::to_string(terminalWindow)});
    runTool({"xdotool", "key", "super+alt+p"});
    const unsigned long terminalMini = glimra.waitForNewPictureWindow(known);
    ASSERT_NE(terminalMini, 0u) << glimra.log();

    // openbox keeps no sticky state: its own list of states replaces ours once it maps a
    // window, and the desktop number says where the window is.
    const std::vector<unsigned long> ours = {clockMini, terminalMini, button};
    for (const unsigned long window : ours) {
        SCOPED_TRACE(window);
        EXPECT_EQ(propertyOf(window, "_NET_WM_DESKTOP"), "_NET_WM_DESKTOP(CARDINAL) = 4294967295\n");
        const std::string state = propertyOf(window, "_NET_WM_STATE");
        EXPECT_NE(state.find("_NET_WM_STATE_SKIP_TASKBAR"), std::string::npos) << state;
        EXPECT_NE(state.find("_NET_WM_STATE_ABOVE"), std::string::npos) << state;
    }

    // The window manager unmaps what the other workspace holds in one go: once the
    // terminal went, ours would have gone with it.
    const auto switchedAt = glimra.log().size();
    runTool({"wmctrl", "-s", "1"});
    ASSERT_TRUE(waitUntil([&] { return onWorkspace(1) && !viewable(terminalWindow); }));
    for (const unsigned long window : ours) EXPECT_TRUE(viewable(window)) << window << " on the second workspace";
    // The sources stayed behind: their mini windows keep the last picture, frozen.
    const std::string frozen = "画面定格: 源窗口已无新帧 id=" + std::to_string(terminalWindow);
    EXPECT_TRUE(waitUntil([&] { return glimra.log().find(frozen, switchedAt) != std::string::npos; }, 30))
        << glimra.log();

    runTool({"wmctrl", "-s", "0"});
    ASSERT_TRUE(waitUntil([&] { return onWorkspace(0) && viewable(terminalWindow); }));
    for (const unsigned long window : ours) EXPECT_TRUE(viewable(window)) << window << " back on the first workspace";

    EXPECT_EQ(glimra.quit(), 0) << glimra.err();
}

}  // namespace
