#include "support/TestEnvironment.h"
#include "support/X11Client.h"
#include "x11/GlimraOnDesktop.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <vector>

namespace {

using namespace testsupport;

std::string titleOf(unsigned long window) { return runTool({"xdotool", "getwindowname", std::to_string(window)}); }

// Terminals retitle themselves all the time, and a title is whatever the program in them
// writes: here markup that names a FIFO, which nothing ever opens for writing, so that
// reading it as a picture would block glimra for good.
TEST(X11RetitlingWindowsMenu, TheMenuOpensOnEveryClickWhileAWindowRetitlesItselfAndShowsTitlesAsWritten)
{
    TempDir dir;
    const std::string fifo = dir.path() + "/picture";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string markup = "<img src=\"" + fifo + "\">";
    X11Client fast({"xterm", "-geometry", "60x10+80+160", "-T", markup, "-e", "sh", "-c",
                    "i=0; while :; do i=$((i+1)); printf '\\033]2;" + markup + " %s\\007' $i; sleep 0.2; done"});
    const unsigned long fastWindow = fast.waitForWindow("XTerm");
    ASSERT_NE(fastWindow, 0u);
    X11Client slow({"xterm", "-geometry", "60x10+80+500", "-T", "<b>slow</b>", "-e", "sh", "-c",
                    "i=0; while :; do i=$((i+1)); printf '\\033]2;<b>slow</b> %s\\007' $i; sleep 1; done"});
    ASSERT_NE(slow.waitForWindow("XTerm"), 0u);

    GlimraOnDesktop glimra;
    ASSERT_TRUE(glimra.ready()) << glimra.err();
    const unsigned long statusItem = statusButtonOf(glimra.pid());
    ASSERT_NE(statusItem, 0u);

    const auto before = visibleWindowsOf(glimra.pid());
    for (int click = 0; click < 10; ++click) {
        clickMiddleOf(statusItem);
        unsigned long menu = 0;
        ASSERT_TRUE(waitUntil([&] { return (menu = shownMenu(glimra.pid(), before)) != 0; }, 5))
            << "click " << click << " opened no menu; log:\n"
            << glimra.log();
        // It stays open while the titles change twice more.
        for (int change = 0; change < 2; ++change) {
            const std::string title = titleOf(fastWindow);
            ASSERT_TRUE(waitUntil([&] { return titleOf(fastWindow) != title; }, 5));
        }
        EXPECT_EQ(shownMenu(glimra.pid(), before), menu) << "click " << click << ": the menu closed as titles changed";
        runTool({"xdotool", "key", "Escape"});
        ASSERT_TRUE(waitUntil([&] { return shownMenu(glimra.pid(), before) == 0; }, 5)) << "click " << click;
    }
    EXPECT_EQ(glimra.quit(), 0) << "blocked on a title read as a picture?\n" << glimra.err();
}

// A window that opened after glimra last listed the windows: the menu opens with the older
// list, and the fresh one, come while it is open, brings the window's row into that menu,
// which stays open and opens again on the next click.
TEST(X11RetitlingWindowsMenu, AWindowOpenedSinceTheLastListingJoinsTheOpenMenu)
{
    X11Client first({"xeyes", "-geometry", "150x150+80+160"});
    ASSERT_NE(first.waitForWindow("XEyes"), 0u);
    GlimraOnDesktop glimra;
    ASSERT_TRUE(glimra.ready()) << glimra.err();
    const unsigned long statusItem = statusButtonOf(glimra.pid());
    ASSERT_NE(statusItem, 0u);
    const auto before = visibleWindowsOf(glimra.pid());
    const auto openHeight = [&] { return geometryOf(shownMenu(glimra.pid(), before)).height; };
    const auto openMenu = [&] {
        clickMiddleOf(statusItem);
        return waitUntil([&] { return shownMenu(glimra.pid(), before) != 0; }, 5);
    };
    const auto closeMenu = [&] {
        runTool({"xdotool", "key", "Escape"});
        return waitUntil([&] { return shownMenu(glimra.pid(), before) == 0; }, 5);
    };
    ASSERT_TRUE(openMenu()) << glimra.log();
    const int oneWindow = openHeight();
    ASSERT_TRUE(closeMenu());

    // Listed last when the menu opened, so the next opening shows the first window only
    // until the fresh list comes.
    X11Client second({"xeyes", "-geometry", "150x150+400+160"});
    ASSERT_NE(second.waitForWindow("XEyes"), 0u);
    ASSERT_TRUE(openMenu()) << glimra.log();
    EXPECT_TRUE(waitUntil([&] { return openHeight() > oneWindow; }, 5))
        << "the open menu " << (shownMenu(glimra.pid(), before) ? "kept its rows" : "went away") << "; log:\n"
        << glimra.log();
    ASSERT_TRUE(closeMenu());
    EXPECT_TRUE(openMenu()) << "the next click opened no menu";
    EXPECT_TRUE(closeMenu());
    EXPECT_EQ(glimra.quit(), 0) << glimra.err();
}

}  // namespace
