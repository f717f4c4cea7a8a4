#include "support/X11Client.h"
#include "x11/GlimraOnDesktop.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace testsupport;

// One launch: a monitor whose name holds U+202E, SIGUSR2 beside a window below the
// catalog's minimum size, a window opened just before the menu opens, and a burst of
// SIGUSR1 before SIGTERM.
TEST(X11SignalsMenuAndLog, NamesAreEscapedTheSmallestCapturableWindowIsMirroredTheOpenMenuUpdatesAndQuitBeatsProbes)
{
    X11Client clock({"xclock", "-geometry", "200x200+100+160"});
    // Wider than 100 and higher than 80, yet narrower than the 120 the window list asks.
    X11Client narrow({"xlogo", "-geometry", "110x90+400+160"});
    X11Client tiny({"xlogo", "-geometry", "100x60+600+160"});
    const unsigned long clockWindow = clock.waitForWindow("XClock");
    ASSERT_NE(clockWindow, 0u);
    ASSERT_NE(narrow.waitForWindow("XLogo"), 0u);
    ASSERT_NE(tiny.waitForWindow("XLogo"), 0u);

    GlimraOnDesktop glimra;
    ASSERT_TRUE(glimra.ready()) << glimra.err();
    // Found before a mini window may tile into the same corner.
    const unsigned long statusItem = statusButtonOf(glimra.pid());
    ASSERT_NE(statusItem, 0u);
    const auto log = [&] { return glimra.log(); };

    {
        const int half = screenWidth() / 2;
        TestMonitor side("GLIMRA-\u202ETXT", std::to_string(half) + "/254x1080/286+" + std::to_string(half) + "+0");
        ASSERT_TRUE(waitUntil([&] { return log().find("GLIMRA-") != std::string::npos; }, 5)) << log();
        EXPECT_NE(log().find("GLIMRA-\\u202ETXT"), std::string::npos) << log();
        EXPECT_EQ(log().find("\u202E"), std::string::npos) << "a raw U+202E reached the log";
    }

    const std::vector<unsigned long> withoutMini = visibleWindowsOf(glimra.pid());
    glimra.process().signal(SIGUSR2);
    EXPECT_NE(glimra.waitForNewPictureWindow(withoutMini), 0u) << "SIGUSR2 made no mini window; log:\n" << log();
    EXPECT_NE(log().find("USR2 捕捉最小窗口: #" + std::to_string(clockWindow) + " owner=XClock"), std::string::npos)
        << log();

    // Opened after the window list was cached at launch: the first opening shows the cached
    // list, and the fresh one brings the new window's row into the open menu.
    X11Client eyes({"xeyes", "-geometry", "150x150+700+400"});
    ASSERT_NE(eyes.waitForWindow("XEyes"), 0u);
    const auto withoutMenu = visibleWindowsOf(glimra.pid());
    unsigned long menu = openStatusMenu(glimra.pid(), statusItem);
    ASSERT_NE(menu, 0u) << "no status menu";
    const int shownFirst = geometryOf(menu).height;
    // Often the fresh list has come before the menu shows; then this wait runs out. The
    // menu is looked for anew each time: Qt may show the rebuilt one in a window of its own.
    const auto openHeight = [&] { return geometryOf(shownMenu(glimra.pid(), withoutMenu)).height; };
    waitUntil([&] { return openHeight() > shownFirst; }, 3);
    const int grownTo = openHeight();
    ASSERT_NE(grownTo, 0) << "the open menu went away";
    runTool({"xdotool", "key", "Escape"});
    ASSERT_TRUE(waitUntil([&] { return !isVisibleWindowOf(glimra.pid(), menu); }, 5));
    menu = openStatusMenu(glimra.pid(), statusItem);
    ASSERT_NE(menu, 0u) << "no status menu the second time";
    EXPECT_EQ(grownTo, geometryOf(menu).height) << "the open menu kept the list cached before the window opened";
    runTool({"xdotool", "key", "Escape"});
    ASSERT_TRUE(waitUntil([&] { return !isVisibleWindowOf(glimra.pid(), menu); }, 5));

    // Each probe blocks for 0.8 s. Spaced a little, so that the kernel does not merge them
    // into one pending signal.
    for (int i = 0; i < 40; ++i) {
        glimra.process().signal(SIGUSR1);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    glimra.process().signal(SIGTERM);
    const auto sent = std::chrono::steady_clock::now();
    EXPECT_EQ(glimra.process().waitForExit(10), 0) << glimra.err();
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - sent).count(), 2.5)
        << "queued probes held up SIGTERM";
    EXPECT_NE(log().find("滚动探针: 上一轮尚未结束，丢弃这次 SIGUSR1"), std::string::npos) << log();
}

}  // namespace
