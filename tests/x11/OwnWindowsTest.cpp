#include "platform/desktop/Desktop.h"
#include "platform/ui/OwnWindowRegistration.h"
#include "platform/x11/X11Frames.h"
#include "platform/x11/X11OwnWindowHints.h"
#include "platform/x11/X11QtConnection.h"
#include "platform/x11/X11Reply.h"
#include "platform/x11/X11WindowServer.h"

#include "support/QtTestApplication.h"
#include "support/X11Client.h"
#include "x11/WindowTestSupport.h"

#include <gtest/gtest.h>

#include <QWidget>

#include <xcb/shape.h>

#include <cstring>
#include <unistd.h>

namespace {

using desktop::WindowListOption;
using testsupport::X11Client;

bool waitProcessing(const std::function<bool()>& condition)
{
    return testsupport::waitUntil([&] {
        QCoreApplication::processEvents();
        return condition();
    });
}

struct Shown {
    std::unique_ptr<QWidget> widget;
    desktop::OwnWindowState state;
};

Shown showWidget(const std::string& title, long level, int x)
{
    Shown shown;
    shown.widget = std::make_unique<QWidget>(nullptr, Qt::Tool | Qt::FramelessWindowHint);
    shown.widget->setGeometry(x, 100, 200, 120);
    shown.widget->setWindowTitle(QString::fromStdString(title));
    shown.state.title = title;
    shown.state.frame = core::Rect(x, 100, 200, 120);
    shown.state.level = level;
    shown.state.visible = true;
    shown.state.nativeWindow = shown.widget->winId();
    shown.widget->show();
    return shown;
}

// The window manager's own stacking, bottom to top.
std::vector<unsigned long> managerStacking()
{
    const auto text = testsupport::runTool({"xprop", "-root", "_NET_CLIENT_LIST_STACKING"});
    std::vector<unsigned long> windows;
    for (auto at = text.find("0x"); at != std::string::npos; at = text.find("0x", at + 2))
        windows.push_back(std::stoul(text.substr(at), nullptr, 16));
    return windows;
}

long stackIndex(const std::vector<unsigned long>& stacking, unsigned long window)
{
    const auto found = std::find(stacking.begin(), stacking.end(), window);
    return found == stacking.end() ? -1 : static_cast<long>(found - stacking.begin());
}

std::vector<desktop::WindowInfo> onScreen(x11::X11WindowServer& server)
{
    return server.windowList(WindowListOption::onScreenOnly).value_or(std::vector<desktop::WindowInfo>{});
}

TEST(X11OwnWindows, StayAboveOtherClientsAndAHigherLevelAboveALowerOne)
{
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    testsupport::ensureQtApplication();
    const auto connection = x11test::openTestDisplay();
    ASSERT_TRUE(connection);
    x11::X11WindowServer server(connection, std::make_shared<x11::ClientFactsCache>(connection));
    X11Client term({"xterm"});
    const auto termWindow = term.waitForWindow("XTerm");
    ASSERT_NE(termWindow, 0u);

    auto preview = showWidget("preview", 4, 100);
    auto mini = showWidget("mini", 3, 150);
    auto other = showWidget("other mini", 3, 200);
    const auto previewNumber = server.registerOwnWindow(preview.state, {}, {});
    const auto miniNumber = server.registerOwnWindow(mini.state, {}, {});
    const auto otherNumber = server.registerOwnWindow(other.state, {}, {});
    EXPECT_EQ(previewNumber, preview.state.nativeWindow);
    // Ours but without an X window: listed as the state says, by its level.
    desktop::OwnWindowState menuState{.title = "menu", .frame = core::Rect(5, 6, 70, 80), .level = 101, .visible = true};
    const auto menuNumber = server.registerOwnWindow(menuState, {}, {});

    x11test::activate(termWindow);
    server.orderOwnWindowFront(miniNumber);
    ASSERT_TRUE(waitProcessing([&] {
        const auto list = onScreen(server);
        return x11test::indexOf(list, menuNumber) == 0 && x11test::indexOf(list, previewNumber) == 1 &&
               x11test::indexOf(list, miniNumber) == 2 && x11test::indexOf(list, otherNumber) == 3 &&
               x11test::indexOf(list, termWindow) == 4;
    }));
    // The window manager stacks them so, not only our list, also once the user's window
    // is activated again.
    x11test::activate(termWindow);
    QCoreApplication::processEvents();
    EXPECT_TRUE(waitProcessing([&] {
        const auto stacking = managerStacking();
        return stackIndex(stacking, termWindow) >= 0 &&
               stackIndex(stacking, termWindow) < stackIndex(stacking, otherNumber) &&
               stackIndex(stacking, otherNumber) < stackIndex(stacking, miniNumber) &&
               stackIndex(stacking, miniNumber) < stackIndex(stacking, previewNumber);
    }));
    server.orderOwnWindowFront(otherNumber);
    EXPECT_TRUE(waitProcessing([&] {
        const auto list = onScreen(server);
        return x11test::indexOf(list, previewNumber) == 1 && x11test::indexOf(list, otherNumber) == 2 &&
               x11test::indexOf(list, miniNumber) == 3;
    }));

    const auto list = onScreen(server);
    const auto entry = x11test::entryOf(list, miniNumber);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->ownerPid, ::getpid());
    EXPECT_EQ(entry->name, "mini");
    EXPECT_EQ(entry->layer, 3);
    EXPECT_EQ(x11test::entryOf(list, menuNumber)->bounds, menuState.frame);

    // A mini window never takes the focus from the user's window.
    server.makeOwnWindowKey(miniNumber);
    QCoreApplication::processEvents();
    const auto active = testsupport::runTool({"xdotool", "getactivewindow"});
    EXPECT_EQ(std::stoul(active), termWindow);

    for (const auto number : {previewNumber, miniNumber, otherNumber, menuNumber}) server.unregisterOwnWindow(number);
    EXPECT_EQ(x11test::indexOf(onScreen(server), menuNumber), -1);
}

TEST(X11OwnWindows, ARegisteredWidgetIsListedAsItsXWindow)
{
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    testsupport::ensureQtApplication();
    const auto connection = x11test::openTestDisplay();
    ASSERT_TRUE(connection);
    auto server = std::make_shared<x11::X11WindowServer>(connection, std::make_shared<x11::ClientFactsCache>(connection));
    auto desktop = std::make_shared<desktop::Desktop>();
    desktop->windowServer = server;
    desktop::install(desktop);
    {
        QWidget widget(nullptr, Qt::Tool | Qt::FramelessWindowHint);
        widget.setGeometry(300, 300, 160, 90);
        // A stale frame in the state: once the window manager lists the window, its real
        // geometry counts.
        desktop::OwnWindowState state{.title = "settings", .frame = core::Rect(0, 0, 10, 10), .visible = true};
        ui::OwnWindowRegistration registration(widget, state);
        EXPECT_EQ(registration.windowNumber(), widget.winId()) << "the X window exists before it is listed";
        EXPECT_EQ(registration.state().nativeWindow, widget.winId());
        widget.show();
        EXPECT_TRUE(waitProcessing([&] {
            const auto entry = x11test::entryOf(onScreen(*server), registration.windowNumber());
            return entry && entry->name == "settings" && entry->ownerPid == ::getpid() &&
                   entry->bounds == core::Rect(300, 300, 160, 90);
        }));

        // A second registration of the widget (shown again before the first ended) takes
        // a number of its own, and ending it leaves the first listed.
        auto again = registration.state();
        again.title = "again";
        const auto second = server->registerOwnWindow(again, {}, {});
        EXPECT_NE(second, registration.windowNumber());
        server->unregisterOwnWindow(second);
        const auto entry = x11test::entryOf(onScreen(*server), registration.windowNumber());
        ASSERT_TRUE(entry);
        EXPECT_EQ(entry->name, "settings");
    }
    desktop::install(nullptr);
}

// How many rectangles make up the region where the window takes the pointer.
int inputRectangles(x11::Connection& connection, xcb_window_t window)
{
    auto* xcb = connection.xcb();
    const auto shape = x11::reply(
        xcb_shape_get_rectangles_reply(xcb, xcb_shape_get_rectangles(xcb, window, XCB_SHAPE_SK_INPUT), nullptr));
    return shape ? xcb_shape_get_rectangles_rectangles_length(shape.get()) : -1;
}

// Clicks posted at a window that ignores the mouse reach what lies beneath it: the window
// manager's frame around it lets them through as well, also after it maps the window again.
TEST(X11OwnWindows, TheFrameOfAWindowThatIgnoresTheMouseLetsThePointerThrough)
{
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    testsupport::ensureQtApplication();
    const auto connection = x11test::openTestDisplay();
    ASSERT_TRUE(connection);
    x11::X11WindowServer server(connection, std::make_shared<x11::ClientFactsCache>(connection));

    QWidget widget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowTransparentForInput);
    widget.setGeometry(200, 200, 160, 90);
    desktop::OwnWindowState state{.title = "preview",
                                  .frame = core::Rect(200, 200, 160, 90),
                                  .level = 4,
                                  .visible = true,
                                  .ignoresMouseEvents = true,
                                  .nativeWindow = widget.winId()};
    const auto number = server.registerOwnWindow(state, {}, {});
    const auto client = static_cast<xcb_window_t>(widget.winId());
    const auto framed = [&] { return x11::frameWindow(*connection, client) != client; };
    const auto frameTakes = [&] { return inputRectangles(*connection, x11::frameWindow(*connection, client)) > 0; };

    widget.show();
    ASSERT_TRUE(waitProcessing(framed)) << "the window manager put no frame around the window";
    EXPECT_TRUE(waitProcessing([&] { return !frameTakes(); }));

    state.ignoresMouseEvents = false;
    server.updateOwnWindow(number, state);
    EXPECT_TRUE(waitProcessing(frameTakes)) << "the frame did not get its input back";

    state.ignoresMouseEvents = true;
    server.updateOwnWindow(number, state);
    widget.hide();
    ASSERT_TRUE(waitProcessing([&] { return !framed(); }));
    widget.show();
    ASSERT_TRUE(waitProcessing(framed));
    EXPECT_TRUE(waitProcessing([&] { return !frameTakes(); })) << "a new frame takes the pointer";
    server.unregisterOwnWindow(number);
}

// A window manager that replaces another is followed: where windows go is by the new one's
// rules, as its check window (here the root) names it.
TEST(X11OwnWindows, FollowTheWindowManagerThatReplacesAnother)
{
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    testsupport::ensureQtApplication();
    xcb_connection_t* c = x11::qtConnection();
    const xcb_window_t root = x11::qtRoot();
    for (const auto& [name, placesMappedWindows] : {std::pair{"i3", true}, {"Openbox", false}, {"awesome", true}}) {
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, root, x11::qtAtom("_NET_WM_NAME"), x11::qtAtom("UTF8_STRING"), 8,
                            static_cast<std::uint32_t>(std::strlen(name)), name);
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, root, x11::qtAtom("_NET_SUPPORTING_WM_CHECK"), XCB_ATOM_WINDOW,
                            32, 1, &root);
        xcb_flush(c);
        EXPECT_TRUE(waitProcessing([&] { return x11::windowManagerPlacesMappedWindows() == placesMappedWindows; })) << name;
    }
}

}  // namespace
