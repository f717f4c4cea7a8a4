#include "support/X11Client.h"
#include "x11/GlimraOnDesktop.h"

#include <gtest/gtest.h>

#include <csignal>
#include <string>

namespace {

using namespace testsupport;

// The window that the window manager names itself through on the root.
std::string windowManagerCheckWindow()
{
    const std::string line = runTool({"xprop", "-root", "_NET_SUPPORTING_WM_CHECK"});
    const auto hash = line.find('#');
    return hash == std::string::npos ? std::string() : line.substr(hash + 2, line.find('\n', hash) - hash - 2);
}

bool exists(const std::string& window)
{
    int status = -1;
    runTool({"xwininfo", "-id", window}, &status);
    return status == 0;
}

// Another client destroys our windows (xdotool windowclose): a mini window closes as its
// close button closes it, and its source can be mirrored again; the status button is made
// again. Nothing we send the window manager meanwhile names the destroyed windows.
TEST(X11DestroyedWindows, ADestroyedMiniWindowClosesAndADestroyedStatusButtonComesBack)
{
    X11Client terminal({"xterm", "-geometry", "40x10+200+200"});
    ASSERT_NE(terminal.waitForWindow("XTerm"), 0u);
    const std::string windowManager = windowManagerCheckWindow();
    ASSERT_FALSE(windowManager.empty());

    GlimraOnDesktop glimra;
    ASSERT_TRUE(glimra.ready()) << glimra.err();
    const unsigned long button = statusButtonOf(glimra.pid());
    ASSERT_NE(button, 0u) << "the test desktop has no tray: the status item is a button";

    auto before = visibleWindowsOf(glimra.pid());
    glimra.process().signal(SIGUSR2);
    const unsigned long mini = glimra.waitForNewPictureWindow(before);
    ASSERT_NE(mini, 0u) << glimra.err();
    ASSERT_TRUE(waitUntil([&] { return occurrences(glimra.log(), "小窗镜像: 现在 1 个小窗") == 1; }));

    runTool({"xdotool", "windowclose", std::to_string(mini)});
    EXPECT_TRUE(waitUntil([&] { return occurrences(glimra.log(), "小窗镜像: 现在 0 个小窗") == 1; }))
        << "the destroyed mini window is still counted";
    before = visibleWindowsOf(glimra.pid());
    glimra.process().signal(SIGUSR2);
    EXPECT_NE(glimra.waitForNewPictureWindow(before), 0u) << "its source cannot be mirrored again";
    EXPECT_TRUE(waitUntil([&] { return occurrences(glimra.log(), "小窗镜像: 现在 1 个小窗") == 2; }));

    runTool({"xdotool", "windowclose", std::to_string(button)});
    unsigned long newButton = 0;
    EXPECT_TRUE(waitUntil([&] { return (newButton = statusButtonOf(glimra.pid())) != 0 && newButton != button; }))
        << "no status button came back";
    EXPECT_EQ(occurrences(glimra.log(), "status item: own button made again"), 1u);

    EXPECT_TRUE(exists(windowManager)) << "the window manager went away";
    EXPECT_EQ(glimra.quit(), 0) << glimra.err();
    EXPECT_EQ(glimra.errBesidesRefusals(), "");
}

}  // namespace
