#include "platform/x11/X11EventMask.h"
#include "platform/x11/X11WindowLifetimes.h"
#include "support/X11Client.h"
#include "x11/GlimraOnDesktop.h"
#include "x11/X11ServiceFixture.h"

#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <csignal>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace testsupport;
using ConnectionPtr = std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)>;

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

// A closed terminal's ids go to the next client (often a new terminal): the mini window
// closes and never shows that client's window, which can be mirrored itself.
TEST(X11DestroyedWindows, AWindowMadeWithAClosedSourcesIdGetsNoMiniWindowOfIt)
{
    auto terminal = std::make_unique<X11Client>(std::vector<std::string>{"xterm", "-geometry", "40x10+200+200"});
    const auto closed = static_cast<xcb_window_t>(terminal->waitForWindow("XTerm"));
    ASSERT_NE(closed, 0u);
    GlimraOnDesktop glimra;
    ASSERT_TRUE(glimra.ready()) << glimra.err();
    auto before = visibleWindowsOf(glimra.pid());
    glimra.process().signal(SIGUSR2);
    ASSERT_NE(glimra.waitForNewPictureWindow(before), 0u) << glimra.err();

    terminal.reset();
    ASSERT_TRUE(waitUntil([&] { return !exists(std::to_string(closed)); }));
    // Each new client gets the lowest free range: those below the terminal's are held.
    std::vector<ConnectionPtr> held;
    const auto getsTheTerminalsIds = [closed](xcb_connection_t* c) {
        return (closed & ~xcb_get_setup(c)->resource_id_mask) == xcb_get_setup(c)->resource_id_base;
    };
    do held.emplace_back(xcb_connect(nullptr, nullptr), &xcb_disconnect);
    while (!getsTheTerminalsIds(held.back().get()) && held.size() < 64);
    ASSERT_TRUE(getsTheTerminalsIds(held.back().get()));
    xcb_connection_t* next = held.back().get();
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(next)).data;
    xcb_create_window(next, XCB_COPY_FROM_PARENT, closed, screen->root, 300, 300, 120, 90, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
    xcb_change_property(next, XCB_PROP_MODE_REPLACE, closed, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, 10, "next\0Next\0");
    xcb_map_window(next, closed);
    xcb_flush(next);
    EXPECT_TRUE(waitUntil([&] { return occurrences(glimra.log(), "小窗镜像: 现在 0 个小窗") == 1; }, 30))
        << "the new window shows in the closed one's mini window";
    EXPECT_EQ(occurrences(glimra.log(), "源窗口已销毁，自动关闭小窗 id=" + std::to_string(closed)), 1u);
    before = visibleWindowsOf(glimra.pid());
    glimra.process().signal(SIGUSR2);
    EXPECT_NE(glimra.waitForNewPictureWindow(before), 0u) << "the new window cannot be mirrored";
    EXPECT_EQ(glimra.quit(), 0) << glimra.err();
}

// A long session of short-lived windows, each asked about while it lived (as a mirror's
// alive check asks of its source): what is kept of them stays small, every question sent
// is read, and a window asked about again is still told right, alive or destroyed.
TEST(X11DestroyedWindows, WhatIsKeptOfShortLivedWindowsStaysSmall)
{
    const auto connection = openTestDisplay();
    ASSERT_TRUE(connection);
    // Heard as the window server hears them, through the window list's watch on the root.
    x11::addEventMask(*connection, connection->root(), XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY);
    x11::WindowLifetimes lifetimes(connection);
    const std::unique_ptr<xcb_connection_t, void (*)(xcb_connection_t*)> maker(xcb_connect(nullptr, nullptr),
                                                                               xcb_disconnect);
    ASSERT_FALSE(xcb_connection_has_error(maker.get()));
    const auto* screen = xcb_setup_roots_iterator(xcb_get_setup(maker.get())).data;
    std::vector<xcb_window_t> made(2 * x11::WindowLifetimes::destroyedKept + 1);
    for (auto& window : made) {
        window = xcb_generate_id(maker.get());
        xcb_create_window(maker.get(), XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 10, 10, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
    }
    std::free(xcb_get_input_focus_reply(maker.get(), xcb_get_input_focus(maker.get()), nullptr));
    const xcb_window_t lasting = made.back();
    for (auto window = made.begin(); window != made.end() - 1; ++window) {
        EXPECT_FALSE(lifetimes.destroyed(*window) || lifetimes.destroyed(lasting));
        xcb_destroy_window(maker.get(), *window);
    }
    xcb_flush(maker.get());
    EXPECT_TRUE(waitUntil([&] { return lifetimes.destroyed(made[made.size() - 2]); }));
    EXPECT_TRUE(waitUntil([&] { return lifetimes.kept() <= x11::WindowLifetimes::destroyedKept + 1; }))
        << lifetimes.kept() << " windows kept";
    EXPECT_TRUE(waitUntil([&] { return lifetimes.destroyed(made.front()); })) << "no longer kept, it is asked again";
    EXPECT_FALSE(lifetimes.destroyed(lasting));
}

}  // namespace
