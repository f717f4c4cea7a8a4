#include "platform/ui/StatusItem.h"

#include "platform/ui/Coordinates.h"
#include "platform/ui/Menu.h"
#include "platform/ui/StatusItemTray.h"
#include "platform/ui/Window.h"
#include "platform/x11/X11QtConnection.h"
#include "platform/x11/X11TrayColors.h"
#include "platform/x11/X11TraySelection.h"
#include "support/QtTestApplication.h"
#include "support/SimDesktopTest.h"
#include "support/X11Client.h"
#include "x11/X11WindowsOnSimDesktop.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QImage>
#include <QMenu>
#include <QScreen>
#include <QSystemTrayIcon>

#include <gtest/gtest.h>
#include <xcb/xfixes.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <sstream>
#include <unistd.h>

namespace {

using testsupport::runTool;

class X11StatusItemTest : public x11test::X11WindowsOnSimDesktop {
protected:
    // The tray icon's place once the tray has taken it in (until then Qt keeps it at the
    // origin); empty when that does not happen.
    QRect embeddedIcon(const ui::StatusItem& item)
    {
        QRect icon;
        settle([&] {
            icon = ui::qtGeometry(item.frame());
            return !icon.isEmpty() && icon.topLeft() != QPoint(0, 0);
        });
        return icon.topLeft() == QPoint(0, 0) ? QRect() : icon;
    }

    // Another client of the X server.
    using Client = std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)>;
    static Client otherClient() { return Client(xcb_connect(nullptr, nullptr), &xcb_disconnect); }

    // As settle, while virtual time passes too: the item follows a tray once the tray has
    // held still for a moment.
    bool settleAsTimePasses(const std::function<bool()>& condition)
    {
        return settle([&] {
            clock().advance(0.1);
            return condition();
        });
    }

    // Whether the screen shows at least a glyph's worth of pixels of that colour in the
    // rectangle, within the time.
    bool waitForInk(const QRect& place, const QColor& color)
    {
        return settle([&] {
            const QImage shown = QGuiApplication::primaryScreen()
                                     ->grabWindow(0, place.x(), place.y(), place.width(), place.height())
                                     .toImage();
            int inked = 0;
            for (int y = 0; y < shown.height(); ++y)
                for (int x = 0; x < shown.width(); ++x) inked += shown.pixelColor(x, y).rgb() == color.rgb();
            return inked >= 20;
        });
    }

    // Clicks the button there, also where the pointer is already.
    static void pressAt(const QPoint& qtGlobal, int button)
    {
        const QPoint pixel = rootPixel(qtGlobal);
        ASSERT_TRUE(testsupport::movePointer(pixel.x(), pixel.y()));
        runTool({"xdotool", "click", std::to_string(button)});
    }

    // The item's own button once it is out of the tray and its only window; 0 when that does
    // not come.
    unsigned long ownButton(const ui::StatusItem& item)
    {
        unsigned long button = 0;
        settleAsTimePasses([&] {
            const auto windows = ownXWindows();
            button = !item.inSystemTray() && windows.size() == 1 ? windows.front() : 0;
            return button != 0;
        });
        return button;
    }

    // The visible X windows of this process.
    static std::vector<unsigned long> ownXWindows()
    {
        std::vector<unsigned long> windows;
        std::istringstream lines(runTool({"xdotool", "search", "--onlyvisible", "--pid", std::to_string(::getpid())}));
        for (std::string line; std::getline(lines, line);)
            if (!line.empty()) windows.push_back(std::stoul(line));
        return windows;
    }
};

// A black tray that names no colours gets the light outlined glyph. A right click opens
// our own menu, not the plain one, which Qt would pop up beside it.
TEST_F(X11StatusItemTest, WithATrayTheItemIsATrayIconWhoseClicksOpenTheMenu)
{
    testsupport::X11Client trayer({"trayer", "--edge", "top", "--align", "right", "--widthtype", "request", "--height",
                                   "24", "--SetDockType", "true", "--transparent", "true", "--alpha", "0", "--tint",
                                   "0x000000"});
    ASSERT_TRUE(settle([] { return QSystemTrayIcon::isSystemTrayAvailable(); }));
    EXPECT_FALSE(x11::trayForegroundColor()) << "trayer names no colours";

    ui::StatusItem item;
    item.setImage(ui::TemplateImage::named("GlimraMenuBar"), {17, 16});
    EXPECT_TRUE(item.inSystemTray());
    EXPECT_EQ(item.placementLine(), "status item: system tray");
    ui::Menu menu;
    menu.addItem("Quit");
    item.setMenu(&menu);
    QMenu plain;
    plain.addAction("Quit");
    item.setContextMenu(&plain);

    const QRect icon = embeddedIcon(item);
    ASSERT_FALSE(icon.isEmpty()) << "the tray embeds the icon";
    EXPECT_LE(icon.top(), 24) << "in the tray at the top of the display";
    ASSERT_TRUE(waitForInk(icon, QColor(0xf4, 0xf4, 0xf4))) << "shown as the light glyph";
    clickAt(icon.center());
    ASSERT_TRUE(settle([&] { return menu.isOpen(); })) << "a click on the icon opens the menu";
    const auto open = ui::Menu::openMenus();
    ASSERT_EQ(open.size(), 1u);
    EXPECT_NEAR(open[0].frame.minY(), icon.bottom() + 1, 2) << "under the icon";
    EXPECT_LE(open[0].frame.minX(), icon.right());
    menu.cancelTracking();
    ASSERT_TRUE(settle([&] { return !menu.isOpen(); }));

    pressAt(icon.center(), 3);
    EXPECT_TRUE(settle([&] { return menu.isOpen(); })) << "a right click opens the same menu";
    EXPECT_FALSE(plain.isVisible()) << "and no other beside it";
    menu.cancelTracking();
    settle([&] { return !menu.isOpen(); });
}

// A panel that restarts takes its tray down and brings it back (trayer ended and started
// again): meanwhile the item is a button of our own, then an icon in the new tray again.
TEST_F(X11StatusItemTest, WhileTheTrayIsGoneTheItemIsAnOwnButtonAndItGoesBackWhenATrayComes)
{
    const std::vector<std::string> trayerArguments{"trayer",   "--edge", "top",           "--align", "right",
                                                   "--height", "24",     "--SetDockType", "true"};
    auto trayer = std::make_unique<testsupport::X11Client>(trayerArguments);
    ASSERT_TRUE(settle([] { return QSystemTrayIcon::isSystemTrayAvailable(); }));
    ui::StatusItem item;
    std::vector<std::string> placements;
    item.onPlacementChange = [&](const std::string& line) { placements.push_back(line); };
    item.setImage(ui::TemplateImage::named("GlimraMenuBar"), {17, 16});
    ui::Menu menu;
    menu.addItem("Quit");
    item.setMenu(&menu);
    ASSERT_TRUE(item.inSystemTray());
    ASSERT_FALSE(embeddedIcon(item).isEmpty()) << "the tray embeds the icon";

    trayer.reset();
    const unsigned long button = ownButton(item);
    ASSERT_NE(button, 0u) << "no button of its own while there is no tray";
    EXPECT_EQ(placements, std::vector<std::string>{"status item: own button (no system tray)"});

    trayer = std::make_unique<testsupport::X11Client>(trayerArguments);
    ASSERT_TRUE(settleAsTimePasses([&] { return item.inSystemTray(); })) << "the item stays out of the tray that came";
    const QRect icon = embeddedIcon(item);
    ASSERT_FALSE(icon.isEmpty()) << "the tray that came does not embed the icon";
    EXPECT_TRUE(settle([&] {
        const auto windows = ownXWindows();
        return std::find(windows.begin(), windows.end(), button) == windows.end();
    })) << "the button stays beside the tray";
    EXPECT_EQ(placements.back(), "status item: system tray");
    pressAt(icon.center(), 1);
    EXPECT_TRUE(settle([&] { return menu.isOpen(); })) << "a click on the icon in the new tray opens the menu";
    menu.cancelTracking();
    settle([&] { return !menu.isOpen(); });
}

TEST_F(X11StatusItemTest, TheTrayIconTakesTheTraysForegroundColour)
{
    testsupport::X11Client trayer({"trayer", "--edge", "top", "--align", "right"});
    ASSERT_TRUE(settle([] { return QSystemTrayIcon::isSystemTrayAvailable(); }));
    // trayer names no colours: set them on its manager window as a tray that does would.
    auto* connection = x11::qtConnection();
    const xcb_atom_t selection = x11::qtAtom("_NET_SYSTEM_TRAY_S" + std::to_string(x11::qtScreenNumber()));
    const std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> owner(
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection), nullptr), &std::free);
    ASSERT_TRUE(owner && owner->owner);
    const std::uint32_t colours[12] = {0xffff, 0x8080, 0, 0xffff, 0, 0, 0xffff, 0xffff, 0, 0, 0xffff, 0};
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, owner->owner, x11::qtAtom("_NET_SYSTEM_TRAY_COLORS"),
                        XCB_ATOM_CARDINAL, 32, 12, colours);
    xcb_flush(connection);

    EXPECT_EQ(x11::trayForegroundColor(), QColor(255, 128, 0));

    ui::StatusItem item;
    item.setImage(ui::TemplateImage::named("GlimraMenuBar"), {17, 16});
    ASSERT_TRUE(item.inSystemTray());
    const QRect icon = embeddedIcon(item);
    ASSERT_FALSE(icon.isEmpty()) << "the tray embeds the icon";
    EXPECT_TRUE(waitForInk(icon, QColor(255, 128, 0))) << "the icon in the tray's colour on the screen";
}

// A tray that destroys the icon's window while it stays (its embedder gone) gets the icon
// docked again; one that keeps doing so gets the item's own button.
TEST_F(X11StatusItemTest, AnIconTheTrayDestroysDocksAgainUntilTheTrayKeepsDoingSo)
{
    testsupport::X11Client trayer({"trayer", "--edge", "top", "--align", "right", "--SetDockType", "true"});
    ASSERT_TRUE(settle([] { return QSystemTrayIcon::isSystemTrayAvailable(); }));
    ui::StatusItem item;
    std::vector<std::string> placements;
    item.onPlacementChange = [&](const std::string& line) { placements.push_back(line); };
    item.setImage(ui::TemplateImage::named("GlimraMenuBar"), {17, 16});
    ASSERT_TRUE(item.inSystemTray());

    // Destroyed by another client, as the tray's end of the embedding takes it along.
    const Client tray = otherClient();
    const auto destroyIcon = [&] {
        ASSERT_FALSE(embeddedIcon(item).isEmpty()) << "the tray embeds the icon";
        const auto icon = static_cast<xcb_window_t>(ui::StatusItemTray::xembedIconWindow());
        ASSERT_NE(icon, 0u);
        xcb_destroy_window(tray.get(), icon);
        xcb_flush(tray.get());
    };
    for (std::size_t lost = 1; lost <= 2; ++lost) {
        destroyIcon();
        ASSERT_TRUE(settle([&] { return placements.size() == lost; })) << "nothing follows the icon's end";
        EXPECT_EQ(placements.back(), "status item: system tray (docked again: the tray destroyed the icon)");
    }
    destroyIcon();
    ASSERT_TRUE(settle([&] { return placements.size() == 3; }));
    EXPECT_EQ(placements.back(), "status item: own button (the tray keeps destroying the icon)");
    EXPECT_TRUE(settle([&] { return !item.inSystemTray() && ownXWindows().size() == 1; })) << "no button";
}

// A tray owner that comes and goes many times a second moves the item once it holds
// still, not at each flip.
TEST_F(X11StatusItemTest, ATrayThatFlickersMovesTheItemOnlyOnceItHoldsStill)
{
    ui::StatusItem item;
    std::vector<std::string> placements;
    item.onPlacementChange = [&](const std::string& line) { placements.push_back(line); };

    // The flickering tray, on a connection of its own that also sees each flip land.
    const Client tray = otherClient();
    xcb_connection_t* c = tray.get();
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t manager = xcb_generate_id(c);
    xcb_create_window(c, 0, manager, screen->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0,
                      nullptr);
    std::free(xcb_xfixes_query_version_reply(c, xcb_xfixes_query_version(c, 5, 0), nullptr));
    const xcb_atom_t selection = x11::qtAtom("_NET_SYSTEM_TRAY_S" + std::to_string(x11::qtScreenNumber()));
    xcb_xfixes_select_selection_input(c, screen->root, selection, XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER);
    const std::uint8_t notify = xcb_get_extension_data(c, &xcb_xfixes_id)->first_event + XCB_XFIXES_SELECTION_NOTIFY;
    const auto setOwner = [&](xcb_window_t owner) {
        xcb_set_selection_owner(c, owner, selection, XCB_CURRENT_TIME);
        xcb_flush(c);
        for (;;) {
            const std::unique_ptr<xcb_generic_event_t, decltype(&std::free)> event(xcb_wait_for_event(c), &std::free);
            if (!event || (event->response_type & 0x7f) == notify) break;
        }
        settle([&] { return x11::traySelectionOwner() == owner; });  // our side takes the flip in
    };

    for (int flip = 0; flip < 20; ++flip) setOwner(flip % 2 == 0 ? manager : xcb_window_t{XCB_WINDOW_NONE});
    EXPECT_TRUE(settleAsTimePasses([&] { return !item.inSystemTray(); }));
    EXPECT_TRUE(placements.empty()) << "the item followed the flips: " << placements.size();

    setOwner(manager);
    EXPECT_FALSE(item.inSystemTray()) << "moved before the tray held still";
    EXPECT_TRUE(settleAsTimePasses([&] { return item.inSystemTray(); }));
    EXPECT_EQ(placements, std::vector<std::string>{"status item: system tray"});
}

// A tray that owns its selection but never embeds the icon (a hung panel) leaves the own
// button standing in, which a window manager's close does not take away, until the tray
// embeds the icon after all; and again whenever the tray unmaps the icon or lets it go
// back to the root.
TEST_F(X11StatusItemTest, TheItemStaysReachableBesideATrayThatDoesNotEmbedIt)
{
    const Client tray = otherClient();
    xcb_connection_t* c = tray.get();
    const xcb_window_t manager = xcb_generate_id(c), socket = xcb_generate_id(c);
    for (const xcb_window_t window : {manager, socket})
        xcb_create_window(c, 0, window, x11::qtRoot(), 0, 0, 30, 30, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, 0, 0, nullptr);
    xcb_map_window(c, socket);
    xcb_set_selection_owner(c, manager, x11::qtAtom("_NET_SYSTEM_TRAY_S" + std::to_string(x11::qtScreenNumber())), 0);
    xcb_flush(c);
    ASSERT_TRUE(settle([] { return QSystemTrayIcon::isSystemTrayAvailable(); }));
    ui::StatusItem item;
    std::vector<std::string> placements;
    item.onPlacementChange = [&](const std::string& line) { placements.push_back(line); };
    const unsigned long button = ownButton(item);
    ASSERT_NE(button, 0u) << "no button while the tray leaves the icon unembedded";
    EXPECT_EQ(placements, std::vector<std::string>{"status item: own button (the tray did not embed the icon)"});

    struct CloseSeen : QObject {
        bool eventFilter(QObject*, QEvent* event) override
        {
            seen = seen || event->type() == QEvent::Close;
            return false;
        }
        bool seen = false;
    } closeSeen;
    QCoreApplication::instance()->installEventFilter(&closeSeen);
    xcb_client_message_event_t close{XCB_CLIENT_MESSAGE, 32, 0, static_cast<xcb_window_t>(button),
                                     x11::qtAtom("WM_PROTOCOLS"), {}};
    close.data.data32[0] = x11::qtAtom("WM_DELETE_WINDOW");
    xcb_send_event(c, 0, close.window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&close));
    xcb_flush(c);
    EXPECT_TRUE(settle([&] { return closeSeen.seen; })) << "no close reached the button";
    QCoreApplication::instance()->removeEventFilter(&closeSeen);
    EXPECT_EQ(ownXWindows(), std::vector<unsigned long>{button}) << "a close took the button away";

    const auto icon = static_cast<xcb_window_t>(ui::StatusItemTray::xembedIconWindow());
    xcb_reparent_window(c, icon, socket, 0, 0);
    xcb_map_window(c, icon);
    xcb_flush(c);
    ASSERT_TRUE(settle([&] { return item.inSystemTray(); })) << "the icon the tray embedded is not taken back";
    EXPECT_EQ(placements.back(), "status item: system tray");
    EXPECT_TRUE(settle([&] { return ownXWindows() == std::vector<unsigned long>{icon}; })) << "the button stays";

    for (const bool toRoot : {false, true}) {
        if (toRoot)
            xcb_reparent_window(c, icon, x11::qtRoot(), 0, 0);
        else
            xcb_unmap_window(c, icon);
        xcb_flush(c);
        EXPECT_TRUE(settleAsTimePasses([&] { return !item.inSystemTray(); })) << "no button for the dropped icon";
        xcb_reparent_window(c, icon, socket, 0, 0);
        xcb_map_window(c, icon);
        xcb_flush(c);
        EXPECT_TRUE(settle([&] { return item.inSystemTray(); }));
    }
    EXPECT_EQ(placements.size(), 6u);
}

TEST_F(X11StatusItemTest, WithoutATrayAnOwnButtonAtTheTopRightOpensTheMenu)
{
    ASSERT_TRUE(settle([] { return !QSystemTrayIcon::isSystemTrayAvailable(); })) << "openbox alone has no tray";
    ui::StatusItem item;
    item.setImage(ui::TemplateImage::named("GlimraMenuBar"), {17, 16});
    EXPECT_FALSE(item.inSystemTray());
    EXPECT_EQ(item.placementLine(), "status item: own button (no system tray)");
    ui::Menu menu;
    menu.addItem("Quit");
    item.setMenu(&menu);

    // Where X put it, not where we asked.
    const unsigned long button = ownButton(item);
    ASSERT_NE(button, 0u);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const std::string geometry = runTool({"xdotool", "getwindowgeometry", "--shell", std::to_string(button)});
    const auto value = [&](const std::string& key) {
        const auto at = geometry.find(key + "=");
        return at == std::string::npos ? -1 : std::stoi(geometry.substr(at + key.size() + 1));
    };
    const double ratio = pixelRatio();
    EXPECT_EQ(value("Y"), 0) << geometry;
    EXPECT_NEAR(value("X") + value("WIDTH"), (screen.width() - 8) * ratio, 1) << geometry;
    EXPECT_NEAR(value("HEIGHT"), 24 * ratio, 1) << geometry;
    EXPECT_NE(runTool({"xprop", "-id", std::to_string(button), "_NET_WM_STATE"}).find("_NET_WM_STATE_ABOVE"),
              std::string::npos);

    clickAt(QPoint(int((value("X") + value("WIDTH") / 2) / ratio), int((value("Y") + value("HEIGHT") / 2) / ratio)));
    ASSERT_TRUE(settle([&] { return menu.isOpen(); })) << "a click on the button opens the menu";
    menu.cancelTracking();
    settle([&] { return !menu.isOpen(); });
}

TEST_F(X11StatusItemTest, PanelsFloatOffTheTaskBarWithoutFocusAndTitledWindowsAreNormal)
{
    testsupport::X11Client xterm({"xterm"});
    const unsigned long terminal = xterm.waitForWindow("xterm");
    ASSERT_NE(terminal, 0u);
    runTool({"xdotool", "windowactivate", "--sync", std::to_string(terminal)});
    const auto activeWindow = [] { return runTool({"xprop", "-root", "_NET_ACTIVE_WINDOW"}); };
    const std::string before = activeWindow();

    ui::Window panel(core::Rect(100, 100, 200, 120));
    panel.setLevel(desktop::level::floating);
    panel.orderFront();
    ui::Window titled(core::Rect(400, 100, 300, 200), ui::Window::Style::titled);
    titled.setTitle("Settings");
    titled.orderFront();
    const auto id = [](const ui::Window& window) { return std::to_string(window.winId()); };
    const auto stateOf = [&](const ui::Window& window) {
        return runTool({"xprop", "-id", id(window), "_NET_WM_STATE"});
    };
    ASSERT_TRUE(settle([&] { return stateOf(panel).find("_NET_WM_STATE_ABOVE") != std::string::npos; }))
        << stateOf(panel);
    const auto floatsOffTheTaskBar = [&] {
        const std::string now = stateOf(panel);
        return now.find("_NET_WM_STATE_ABOVE") != std::string::npos &&
               now.find("_NET_WM_STATE_SKIP_TASKBAR") != std::string::npos;
    };

    const std::string state = stateOf(panel);
    EXPECT_NE(state.find("_NET_WM_STATE_SKIP_TASKBAR"), std::string::npos) << state;
    EXPECT_NE(state.find("_NET_WM_STATE_SKIP_PAGER"), std::string::npos) << state;
    EXPECT_NE(runTool({"xprop", "-id", id(panel), "WM_HINTS"}).find("input or input focus: False"), std::string::npos);
    EXPECT_EQ(activeWindow(), before) << "showing a panel leaves the focus where it was";

    const std::string titledState = stateOf(titled);
    EXPECT_EQ(titledState.find("SKIP_TASKBAR"), std::string::npos) << titledState;
    EXPECT_EQ(titledState.find("_NET_WM_STATE_ABOVE"), std::string::npos) << titledState;

    // Hidden and shown again, the panel is still kept off the task bar, and above.
    panel.orderOut();
    settle([&] { return stateOf(panel).find("SKIP_TASKBAR") == std::string::npos; }, 1);
    panel.orderFront();
    EXPECT_TRUE(settle(floatsOffTheTaskBar)) << stateOf(panel);

    // A new level on a shown panel reaches the X window the panel now has.
    panel.setLevel(desktop::level::normal);
    panel.setLevel(desktop::level::floating);
    EXPECT_TRUE(settle(floatsOffTheTaskBar)) << stateOf(panel);
}

}  // namespace
