#include "platform/core/SystemLog.h"
#include "platform/desktop/GlobalSpace.h"
#include "platform/x11/X11ClientFacts.h"
#include "platform/x11/X11Frames.h"
#include "platform/x11/X11Text.h"
#include "platform/x11/X11WindowServer.h"

#include "support/X11Client.h"
#include "x11/WindowTestSupport.h"

#include <gtest/gtest.h>

#include <QString>

#include <algorithm>
#include <map>
#include <sstream>

namespace {

using desktop::WindowListOption;
using testsupport::runTool;
using testsupport::waitUntil;
using testsupport::X11Client;

std::vector<desktop::WindowInfo> listOf(x11::X11WindowServer& server, WindowListOption option = WindowListOption::all,
                                        desktop::WindowID relativeTo = 0)
{
    auto list = server.windowList(option, relativeTo);
    EXPECT_TRUE(list);
    return list ? *list : std::vector<desktop::WindowInfo>{};
}

bool isValidUtf8(const std::string& text) { return x11::repairedUtf8(text) == text; }

// "NAME: value" lines of xwininfo.
std::map<std::string, long> windowInfoOf(unsigned long window)
{
    std::map<std::string, long> values;
    std::istringstream lines(runTool({"xwininfo", "-id", std::to_string(window)}));
    for (std::string line; std::getline(lines, line);) {
        const auto colon = line.find(':');
        if (colon == std::string::npos) continue;
        auto key = line.substr(0, colon);
        key.erase(0, key.find_first_not_of(' '));
        try {
            values[key] = std::stol(line.substr(colon + 1));
        } catch (const std::exception&) {
        }
    }
    return values;
}

// left, right, top, bottom
std::vector<long> frameExtentsOf(unsigned long window)
{
    const auto text = runTool({"xprop", "-id", std::to_string(window), "_NET_FRAME_EXTENTS"});
    std::vector<long> extents;
    const auto equals = text.find('=');
    if (equals == std::string::npos) return extents;
    std::istringstream values(text.substr(equals + 1));
    for (std::string value; std::getline(values, value, ',');) extents.push_back(std::stol(value));
    return extents;
}

TEST(X11WindowList, ListsFrontToBackAndFollowsARaise)
{
    const auto connection = x11test::openTestDisplay();
    ASSERT_TRUE(connection);
    x11::X11WindowServer server(connection, std::make_shared<x11::ClientFactsCache>(connection));
    X11Client clock({"xclock", "-update", "1"});
    X11Client term({"xterm"});
    const auto clockWindow = clock.waitForWindow("XClock");
    const auto termWindow = term.waitForWindow("XTerm");
    ASSERT_NE(clockWindow, 0u);
    ASSERT_NE(termWindow, 0u);

    // xclock takes no focus: it is raised, not activated.
    runTool({"xdotool", "windowraise", std::to_string(clockWindow)});
    ASSERT_TRUE(waitUntil([&] {
        const auto list = listOf(server, WindowListOption::onScreenOnly);
        return x11test::indexOf(list, clockWindow) == 0 && x11test::indexOf(list, termWindow) == 1;
    }));
    x11test::activate(termWindow);
    ASSERT_TRUE(waitUntil([&] {
        const auto list = listOf(server, WindowListOption::onScreenOnly);
        return x11test::indexOf(list, termWindow) == 0 && x11test::indexOf(list, clockWindow) == 1;
    }));

    const auto above = listOf(server, WindowListOption::onScreenAboveWindow, clockWindow);
    EXPECT_EQ(x11test::indexOf(above, termWindow), 0);
    EXPECT_EQ(x11test::indexOf(above, clockWindow), -1);
    const auto below = listOf(server, WindowListOption::onScreenBelowWindow, termWindow);
    EXPECT_EQ(x11test::indexOf(below, clockWindow), 0);
    EXPECT_EQ(x11test::indexOf(below, termWindow), -1);
    const auto only = listOf(server, WindowListOption::includingWindow, clockWindow);
    ASSERT_EQ(only.size(), 1u);
    EXPECT_EQ(only[0].number, clockWindow);
    EXPECT_EQ(only[0].ownerName, "XClock");
    EXPECT_EQ(only[0].ownerPid, clock.pid());
    EXPECT_EQ(only[0].layer, desktop::level::normal);
    EXPECT_EQ(only[0].isOnscreen, true);
    EXPECT_EQ(only[0].alpha, 1.0);
    EXPECT_TRUE(listOf(server, WindowListOption::onScreenAboveWindow, 0x1234567).empty());

    // Iconified: still listed, no longer on screen.
    runTool({"xdotool", "windowminimize", std::to_string(clockWindow)});
    EXPECT_TRUE(waitUntil([&] { return x11test::entryOf(listOf(server), clockWindow)->isOnscreen == false; }));
    EXPECT_EQ(x11test::indexOf(listOf(server, WindowListOption::onScreenOnly), clockWindow), -1);
}

TEST(X11WindowList, AClientWithoutItsOwnPidIsOwnedByTheProcessTheServerNames)
{
    const auto connection = x11test::openTestDisplay();
    ASSERT_TRUE(connection);
    x11::X11WindowServer server(connection, std::make_shared<x11::ClientFactsCache>(connection));
    X11Client eyes({"xeyes"});
    const auto window = eyes.waitForWindow("XEyes");
    ASSERT_NE(window, 0u);
    ASSERT_EQ(runTool({"xprop", "-id", std::to_string(window), "_NET_WM_PID"}).find('='), std::string::npos);

    const auto entry = x11test::entryOf(listOf(server), window);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->ownerPid, eyes.pid());
    EXPECT_EQ(entry->ownerName, "XEyes");
}

TEST(X11WindowList, BoundsAreTheWindowAsSeenWithItsDecorations)
{
    const auto connection = x11test::openTestDisplay();
    ASSERT_TRUE(connection);
    x11::X11WindowServer server(connection, std::make_shared<x11::ClientFactsCache>(connection));
    X11Client clock({"xclock", "-update", "1", "-geometry", "180x160+300+200"});
    const auto window = clock.waitForWindow("XClock");
    ASSERT_NE(window, 0u);
    std::vector<long> extents;
    ASSERT_TRUE(waitUntil([&] { return (extents = frameExtentsOf(window)).size() == 4; }));
    EXPECT_GT(extents[2], 0) << "openbox draws a title bar";

    const auto client = windowInfoOf(window);
    const core::Rect expected(
        client.at("Absolute upper-left X") - extents[0], client.at("Absolute upper-left Y") - extents[2],
        client.at("Width") + extents[0] + extents[1], client.at("Height") + extents[2] + extents[3]);
    const auto entry = x11test::entryOf(listOf(server), window);
    ASSERT_TRUE(entry && entry->bounds);
    EXPECT_EQ(*entry->bounds, expected);
    // In global points: the primary monitor's top-left is the origin, whatever the root's.
    desktop::globalSpace().setMonitors({{core::Rect(100, 50, 1820, 1030), 1}});
    const auto shifted = x11test::entryOf(listOf(server), window);
    desktop::globalSpace().setMonitors({});
    ASSERT_TRUE(shifted && shifted->bounds);
    EXPECT_EQ(*shifted->bounds, expected.offsetBy(-100, -50));

    // The frame window the window manager made is exactly what the bounds describe.
    const auto frame = x11::frameWindow(*connection, static_cast<xcb_window_t>(window));
    ASSERT_NE(frame, XCB_WINDOW_NONE);
    EXPECT_NE(frame, window);
    const auto frameInfo = windowInfoOf(frame);
    EXPECT_EQ(core::Rect(frameInfo.at("Absolute upper-left X"), frameInfo.at("Absolute upper-left Y"),
                         frameInfo.at("Width"), frameInfo.at("Height")),
              expected);
}

TEST(X11WindowList, TitlesAreAlwaysValidUtf8)
{
    const auto connection = x11test::openTestDisplay();
    ASSERT_TRUE(connection);
    x11::X11WindowServer server(connection, std::make_shared<x11::ClientFactsCache>(connection));
    // xterm sets WM_NAME as COMPOUND_TEXT, in Latin-1 and UTF-8 segments here.
    const std::string title = "Grüße ✓";
    X11Client term({"xterm", "-T", title});
    const auto window = static_cast<xcb_window_t>(term.waitForWindow("XTerm"));
    ASSERT_NE(window, 0u);
    ASSERT_TRUE(waitUntil([&] { return x11test::entryOf(listOf(server), window)->name == title; }));
    runTool({"xprop", "-id", std::to_string(window), "-f", "_NET_WM_NAME", "8u", "-set", "_NET_WM_NAME", "窗口 ✓"});
    ASSERT_TRUE(waitUntil([&] { return x11test::entryOf(listOf(server), window)->name == "窗口 ✓"; }));

    // A title of bytes that are not UTF-8 is repaired, not passed on.
    auto* c = connection->xcb();
    const std::string broken = "bad \xff\xfe title \xc3";
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, connection->atom("_NET_WM_NAME"),
                        connection->atom("UTF8_STRING"), 8, static_cast<std::uint32_t>(broken.size()), broken.data());
    connection->flush();
    ASSERT_TRUE(waitUntil([&] {
        const auto name = x11test::entryOf(listOf(server), window)->name;
        return name && name->find(" title ") != std::string::npos;
    }));
    const auto repaired = *x11test::entryOf(listOf(server), window)->name;
    EXPECT_TRUE(isValidUtf8(repaired));
    EXPECT_EQ(repaired.rfind("bad ", 0), 0u);

    // Without _NET_WM_NAME, WM_NAME of type STRING is Latin-1.
    xcb_delete_property(c, window, connection->atom("_NET_WM_NAME"));
    const std::string latin1 = "caf\xe9";
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        static_cast<std::uint32_t>(latin1.size()), latin1.data());
    connection->flush();
    EXPECT_TRUE(waitUntil([&] { return x11test::entryOf(listOf(server), window)->name == "café"; }));
}

TEST(X11WindowList, ATinyWindowAndOneThatVanishesAreHandled)
{
    const auto connection = x11test::openTestDisplay();
    ASSERT_TRUE(connection);
    x11::X11WindowServer server(connection, std::make_shared<x11::ClientFactsCache>(connection));
    x11test::OwnClientWindow tiny(*connection, 1, 1);
    const auto window = tiny.id();
    ASSERT_TRUE(
        waitUntil([&] { return x11test::entryOf(listOf(server, WindowListOption::onScreenOnly), window).has_value(); }));
    const auto entry = x11test::entryOf(listOf(server), window);
    ASSERT_TRUE(entry->bounds);
    EXPECT_GE(entry->bounds->width(), 1);
    EXPECT_GE(entry->bounds->height(), 1);
    EXPECT_FALSE(entry->name);
    EXPECT_EQ(entry->ownerPid, ::getpid()) << "the X server knows the connection's process";
    server.windowImage(window, desktop::ImageResolution::best);

    // Gone between the list and the questions about it.
    tiny.destroy();
    connection->flush();
    const auto facts = x11::readClientFacts(*connection, {window, connection->root()});
    ASSERT_EQ(facts.size(), 2u);
    EXPECT_FALSE(facts[0]);
    EXPECT_TRUE(facts[1]);
    EXPECT_EQ(x11::frameWindow(*connection, window), XCB_WINDOW_NONE);
    EXPECT_FALSE(server.windowImage(window));
    EXPECT_TRUE(waitUntil([&] { return listOf(server, WindowListOption::includingWindow, window).empty(); }));
}

// Any client may write what the window manager writes: frame extents no screen could
// hold are bounded by the screen, and with no client list at all (no window manager) the
// mapped top-level windows are listed, which one line says once.
TEST(X11WindowList, WhatAnyClientMayWriteIsNotTakenAtItsWord)
{
    const auto connection = x11test::openTestDisplay();
    ASSERT_TRUE(connection);
    std::vector<std::string> lines;
    core::systemLog::setSink([&](const std::string& line) { lines.push_back(line); });
    x11::X11WindowServer server(connection, std::make_shared<x11::ClientFactsCache>(connection));
    X11Client clock({"xclock", "-update", "1", "-geometry", "180x160+300+200"});
    const auto window = clock.waitForWindow("XClock");
    ASSERT_NE(window, 0u);
    ASSERT_TRUE(waitUntil([&] { return frameExtentsOf(window).size() == 4; }));

    runTool({"xprop", "-id", std::to_string(window), "-f", "_NET_FRAME_EXTENTS", "32cccc", "-set", "_NET_FRAME_EXTENTS",
             "4294967295,4294967295,4294967295,4294967295"});
    const double screenWidth = connection->screen()->width_in_pixels;
    const double screenHeight = connection->screen()->height_in_pixels;
    std::optional<desktop::WindowInfo> entry;
    ASSERT_TRUE(waitUntil([&] {
        entry = x11test::entryOf(listOf(server), window);
        return entry && entry->bounds && entry->bounds->width() > screenWidth;
    })) << "the claimed extents were not read";
    EXPECT_LE(entry->bounds->width(), 180 + 2 * screenWidth);
    EXPECT_LE(entry->bounds->height(), 160 + 2 * screenHeight);

    const auto stackingAtom = connection->atom("_NET_CLIENT_LIST_STACKING");
    const auto stacking = connection->cardinals(connection->root(), stackingAtom, XCB_ATOM_WINDOW);
    ASSERT_FALSE(stacking.empty());
    // Neither the root nor a made-up id is a client, and a client is listed once.
    auto padded = stacking;
    padded.insert(padded.end(), {connection->root(), 0x7ffff0u, static_cast<std::uint32_t>(window)});
    xcb_change_property(connection->xcb(), XCB_PROP_MODE_REPLACE, connection->root(), stackingAtom, XCB_ATOM_WINDOW, 32,
                        static_cast<std::uint32_t>(padded.size()), padded.data());
    connection->flush();
    ASSERT_TRUE(waitUntil([&] { return listOf(server).size() == stacking.size(); })) << listOf(server).size();
    EXPECT_FALSE(x11test::entryOf(listOf(server), connection->root()));
    EXPECT_FALSE(x11test::entryOf(listOf(server), 0x7ffff0u));

    xcb_delete_property(connection->xcb(), connection->root(), stackingAtom);
    connection->flush();
    const auto frame = x11::frameWindow(*connection, static_cast<xcb_window_t>(window));
    ASSERT_TRUE(waitUntil([&] { return x11test::entryOf(listOf(server), frame).has_value(); }))
        << "without a window manager's list the mapped top-level windows are listed";
    const auto list = listOf(server);
    EXPECT_FALSE(x11test::entryOf(list, connection->root()));
    EXPECT_EQ(x11test::entryOf(list, frame)->isOnscreen, true);
    const auto told = std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
        return line.find("no window manager lists the clients") != std::string::npos;
    });
    EXPECT_EQ(told, 1);

    xcb_change_property(connection->xcb(), XCB_PROP_MODE_REPLACE, connection->root(), stackingAtom, XCB_ATOM_WINDOW, 32,
                        static_cast<std::uint32_t>(stacking.size()), stacking.data());
    connection->flush();
    EXPECT_TRUE(waitUntil([&] { return x11test::entryOf(listOf(server), window).has_value(); }));
    core::systemLog::setSink({});
}

// What the list keeps of a client follows it: a move of its frame, a new title, its
// unmapping; not a pid it writes, as the server names the process that made it.
TEST(X11WindowList, WhatIsKeptOfAClientFollowsItsChanges)
{
    const auto connection = x11test::openTestDisplay();
    ASSERT_TRUE(connection);
    x11::X11WindowServer server(connection, std::make_shared<x11::ClientFactsCache>(connection));
    X11Client clock({"xclock", "-update", "1", "-geometry", "180x160+300+200"});
    const auto window = clock.waitForWindow("XClock");
    ASSERT_NE(window, 0u);
    const auto id = std::to_string(window);
    std::optional<desktop::WindowInfo> entry;
    ASSERT_TRUE(waitUntil([&] { return (entry = x11test::entryOf(listOf(server), window)) && entry->bounds; }));
    const auto before = *entry->bounds;

    runTool({"xdotool", "windowmove", "--sync", id, "700", "500"});
    EXPECT_TRUE(waitUntil([&] {
        entry = x11test::entryOf(listOf(server), window);
        return entry && entry->bounds && entry->bounds->origin.x != before.origin.x && entry->bounds->size == before.size;
    })) << "the list kept the old place";
    runTool({"xprop", "-id", id, "-f", "_NET_WM_NAME", "8u", "-set", "_NET_WM_NAME", "Renamed"});
    EXPECT_TRUE(waitUntil([&] { return x11test::entryOf(listOf(server), window)->name == "Renamed"; }));
    runTool({"xprop", "-id", id, "-f", "_NET_WM_PID", "32c", "-set", "_NET_WM_PID", "4321"});
    runTool({"xprop", "-id", id, "-f", "_NET_WM_NAME", "8u", "-set", "_NET_WM_NAME", "Claimed"});
    EXPECT_TRUE(waitUntil([&] { return x11test::entryOf(listOf(server), window)->name == "Claimed"; }));
    EXPECT_EQ(x11test::entryOf(listOf(server), window)->ownerPid, clock.pid());
    runTool({"xdotool", "windowunmap", "--sync", id});
    EXPECT_TRUE(waitUntil([&] {
        const auto gone = x11test::entryOf(listOf(server), window);
        return !gone || gone->isOnscreen == false;
    }));

    // Withdrawn (as an application hides to its tray), it is dropped from the window
    // manager's list and lives on until it is destroyed.
    EXPECT_TRUE(waitUntil([&] { return !x11test::entryOf(listOf(server), window); }));
    EXPECT_EQ(server.windowPresence(window), desktop::WindowPresence::unlisted);
    runTool({"xdotool", "windowmap", "--sync", id});
    EXPECT_TRUE(waitUntil([&] { return server.windowPresence(window) == desktop::WindowPresence::listedAlive; }));
    clock.end();
    EXPECT_TRUE(waitUntil([&] { return server.windowPresence(window) == desktop::WindowPresence::destroyed; }));
}

// Only untyped, normal and dialog windows stand on the normal layer, where the catalog
// looks; a type of one desktop's own is passed over for the standard one behind it.
TEST(X11WindowList, OnlyOrdinaryWindowsStandOnTheNormalLayer)
{
    const auto connection = x11test::openTestDisplay();
    ASSERT_TRUE(connection);
    auto& c = *connection;
    x11::X11WindowServer server(connection, std::make_shared<x11::ClientFactsCache>(connection));
    // Each window's types, comma-separated.
    const std::vector<std::string> ordinary = {"", "NORMAL", "DIALOG", "_KDE_NET_WM_WINDOW_TYPE_OVERRIDE,NORMAL"};
    const std::vector<std::string> floating = {"NOTIFICATION",  "UTILITY", "TOOLBAR", "MENU", "POPUP_MENU",
                                               "DROPDOWN_MENU", "TOOLTIP", "COMBO",   "DND",  "SPLASH,NORMAL"};
    for (const bool floats : {false, true}) {
        for (const std::string& types : floats ? floating : ordinary) {
            std::vector<xcb_atom_t> atoms;
            std::istringstream names(types);
            for (std::string name; std::getline(names, name, ',');)
                atoms.push_back(c.atom(name[0] == '_' ? name : "_NET_WM_WINDOW_TYPE_" + name));
            const x11test::OwnClientWindow window(c, 200, 120, [&](xcb_window_t id) {
                xcb_change_property(c.xcb(), XCB_PROP_MODE_REPLACE, id, c.atom("_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM,
                                    32, static_cast<std::uint32_t>(atoms.size()), atoms.data());
            });
            std::optional<desktop::WindowInfo> entry;
            EXPECT_TRUE(waitUntil([&] { return (entry = x11test::entryOf(listOf(server), window.id())).has_value(); }));
            EXPECT_EQ(entry ? entry->layer : std::nullopt, floats ? desktop::level::floating : desktop::level::normal)
                << types;
        }
    }
}

}  // namespace
