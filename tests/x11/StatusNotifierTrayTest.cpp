#include "support/TestEnvironment.h"
#include "support/X11Client.h"
#include "x11/GlimraOnDesktop.h"

#include <gmock/gmock.h>

#include <csignal>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace testsupport;

// A tray that speaks the StatusNotifierItem protocol (KDE's, GNOME's with the AppIndicator
// extension) draws the icon itself and never says where: a click on it reaches glimra as
// an Activate call over D-Bus, and the menu opens at the pointer, wholly on the screen.
// An XEmbed tray beside it, as KDE has one, changes nothing. The same launch then
// crashes: its report holds the crashing thread's frames.
TEST(X11StatusNotifierTray, TheMenuOpensAtThePointerOnTheScreenAndACrashReportHoldsTheStack)
{
    const TempDir scratch;
    const std::string socket = scratch.path() + "/bus";
    const std::string busAddress = "unix:path=" + socket;
    // Not an X client, but ended by its pid all the same.
    X11Client bus({"dbus-daemon", "--session", "--nofork", "--address=" + busAddress});
    ASSERT_TRUE(waitUntil([&] { return std::filesystem::exists(socket); })) << "dbus-daemon did not start";
    const std::string itemsFile = scratch.path() + "/items";
    X11Client tray({GLIMRA_TRAY_WATCHER, busAddress, itemsFile});
    ASSERT_TRUE(waitUntil([&] { return std::filesystem::exists(itemsFile); })) << "the tray did not join the bus";
    X11Client xembedTray({"trayer", "--edge", "top", "--align", "right", "--SetDockType", "true"});
    ASSERT_NE(xembedTray.waitForWindow("trayer"), 0u);

    GlimraOnDesktop glimra({}, {{"DBUS_SESSION_BUS_ADDRESS", busAddress}});
    ASSERT_TRUE(glimra.ready()) << glimra.err();
    EXPECT_EQ(statusButtonOf(glimra.pid()), 0u) << "the tray shows the item, no button of its own";
    std::string busName, objectPath;
    ASSERT_TRUE(waitUntil([&] {
        std::istringstream(readFile(itemsFile)) >> busName >> objectPath;
        return !objectPath.empty();
    })) << "the item never registered with the tray";

    // Where the menu that a click at the point opens is, once it is there.
    const auto menuAfterClickAt = [&](int x, int y) {
        const std::vector<unsigned long> before = visibleWindowsOf(glimra.pid());
        EXPECT_TRUE(movePointer(x, y));
        runTool({"dbus-send", "--bus=" + busAddress, "--type=method_call", "--dest=" + busName, objectPath,
                 "org.kde.StatusNotifierItem.Activate", "int32:" + std::to_string(x), "int32:" + std::to_string(y)});
        const unsigned long menu = glimra.waitForNewPictureWindow(before, 5);
        return menu ? geometryOf(menu) : Geometry{};
    };
    const auto closeMenu = [&] {
        const std::vector<unsigned long> open = visibleWindowsOf(glimra.pid());
        runTool({"xdotool", "key", "Escape"});
        EXPECT_TRUE(waitUntil([&] { return visibleWindowsOf(glimra.pid()).size() < open.size(); }, 5));
    };

    const Geometry middle = menuAfterClickAt(700, 450);
    ASSERT_GT(middle.width, 0) << "no menu opened; log:\n" << glimra.log();
    EXPECT_EQ(middle.x, 700);
    EXPECT_EQ(middle.y, 450) << "the menu's top-left at the pointer";
    closeMenu();

    // A tray in a panel at the bottom right: the menu opens above the pointer, on the screen.
    const int width = screenWidth(), height = screenHeight();
    const int x = width - 10, y = height - 12;
    const Geometry corner = menuAfterClickAt(x, y);
    ASSERT_GT(corner.width, 0) << "no menu opened the second time";
    EXPECT_GE(corner.x, 0);
    EXPECT_LE(corner.x + corner.width, width);
    EXPECT_LE(corner.x, x);
    EXPECT_EQ(corner.y + corner.height, y) << "the menu's bottom at the pointer";
    closeMenu();

    // Sent to the process, the signal reaches its main thread, in the event loop.
    glimra.process().signal(SIGSEGV);
    ASSERT_TRUE(glimra.process().waitForExit(5)) << glimra.err();
    std::string report;
    for (const auto& entry : std::filesystem::directory_iterator(glimra.folders().path("data/Glimra/CrashReports")))
        report = readFile(entry.path());
    EXPECT_THAT(report, testing::HasSubstr("Signal: SIGSEGV (11)\n"));
    EXPECT_THAT(report, testing::ContainsRegex("\nFrames:\n0  [^\n]+ \\+ 0x[0-9a-f]+"));
    EXPECT_THAT(report, testing::ContainsRegex("\n[0-9]+  glimra \\+ 0x[0-9a-f]+  main \\+ 0x[0-9a-f]+\n")) << report;
}

}  // namespace
