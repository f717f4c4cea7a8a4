#include "support/X11Client.h"
#include "x11/GlimraOnDesktop.h"
#include "x11/TestDisplay.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <string>

namespace {

using namespace testsupport;

// The X server dies under a running mirror, whose workers keep reading the desktop: each
// time glimra ends with status 1 and the one line naming the display, and nothing else on
// standard error (a sanitizer's report of memory freed under a worker included).
TEST(X11DisplayLoss, AServerThatDiesUnderAMirrorEndsGlimraWithOneLine)
{
    constexpr int rounds = 20;
    for (int round = 0; round < rounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        TestDisplay display("1280x800x24");
        ASSERT_TRUE(display.ready()) << "no X server of the test's own came up";
        const std::string name = std::getenv("DISPLAY");
        X11Client terminal({"xterm", "-geometry", "40x10+200+200"});
        ASSERT_NE(terminal.waitForWindow("XTerm"), 0u);

        GlimraOnDesktop glimra;
        ASSERT_TRUE(glimra.ready()) << glimra.err();
        const auto before = visibleWindowsOf(glimra.pid());
        glimra.process().signal(SIGUSR2);
        ASSERT_NE(glimra.waitForNewPictureWindow(before), 0u) << glimra.err();

        // A killed server and one that closes its connections as it ends.
        display.killServer(round % 2 ? SIGTERM : SIGKILL);
        EXPECT_EQ(glimra.process().waitForExit(15), 1) << glimra.err();
        EXPECT_EQ(glimra.errBesidesRefusals(), "glimra: lost the connection to the X11 display '" + name + "'\n");
    }
}

}  // namespace
