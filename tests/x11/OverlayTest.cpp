#include "app/HoverTriggerBlock.h"
#include "panels/selector/RegionSelector.h"
#include "panels/selector/SelectorPanel.h"
#include "panels/selector/SelectorView.h"
#include "platform/ui/Coordinates.h"
#include "platform/ui/Screen.h"
#include "platform/ui/Window.h"
#include "platform/x11/X11Compositor.h"
#include "platform/x11/X11WindowServer.h"
#include "support/X11Client.h"
#include "x11/WindowTestSupport.h"
#include "x11/X11ServiceFixture.h"
#include "x11/X11WindowsOnSimDesktop.h"

#include <QImage>
#include <QMouseEvent>
#include <QPalette>
#include <QWindow>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

using testsupport::runTool;
using testsupport::X11Client;

std::string idOf(const QWidget& window) { return std::to_string(window.winId()); }

bool overrideRedirect(const QWidget& window)
{
    return runTool({"xwininfo", "-id", idOf(window)}).find("Override Redirect State: yes") != std::string::npos;
}

// The top-level X window under the pointer.
unsigned long windowUnderPointer()
{
    const auto text = runTool({"xdotool", "getmouselocation", "--shell"});
    const auto at = text.find("WINDOW=");
    return at == std::string::npos ? 0 : std::stoul(text.substr(at + 7));
}

// A content view that counts the presses that reach it.
class PressCounter : public QWidget {
public:
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent*) override { ++presses; }
};

// A content view of one opaque colour.
QWidget* filled(const QColor& colour)
{
    auto* view = new QWidget;
    QPalette palette;
    palette.setColor(QPalette::Window, colour);
    view->setPalette(palette);
    view->setAutoFillBackground(true);
    return view;
}

class X11Overlays : public x11test::X11WindowsOnSimDesktop {
protected:
    void TearDown() override
    {
        runTool({"xdotool", "keyup", "alt", "mouseup", "1"});
        X11WindowsOnSimDesktop::TearDown();
    }

    // xterm, moved to the root's (200, 200); its X id.
    unsigned long terminalAt200(X11Client& xterm)
    {
        const unsigned long terminal = xterm.waitForWindow("xterm");
        if (terminal == 0) return 0;
        runTool({"xdotool", "windowmove", "--sync", std::to_string(terminal), "200", "200"});
        x11test::activate(terminal);
        return terminal;
    }

    // The mean brightness (0..255) of the root's pixels in the window's middle.
    int shownBrightness(const ui::Window& window) { return shownBrightness(ui::qtGeometry(window.frame()).center()); }

    // The same in the square of the side around a point (Qt coordinates).
    int shownBrightness(const QPoint& middle, int side = 20)
    {
        const QImage shown = QGuiApplication::primaryScreen()
                                 ->grabWindow(0, middle.x() - side / 2, middle.y() - side / 2, side, side)
                                 .toImage();
        long sum = 0;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x) sum += qGray(shown.pixel(x, y));
        return static_cast<int>(sum / std::max(1, shown.width() * shown.height()));
    }
};

TEST_F(X11Overlays, TheTriggerBlockBypassesTheWindowManagerAndTakesClicksAndAltDragsOverAWindow)
{
    X11Client xterm({"xterm"});
    const auto terminal = terminalAt200(xterm);
    ASSERT_NE(terminal, 0u);

    app::HoverTriggerBlock block;
    int clicks = 0;
    int drags = 0;
    block.background().onClick = [&] { ++clicks; };
    block.background().onOptionDrag = [&] { ++drags; };
    const QPoint corner = QPoint(230, 230) / pixelRatio();
    block.showAt(ui::screenFrame(QRect(corner, QSize(84, 56))));
    ASSERT_TRUE(settle([&] { return block.isVisible() && block.windowHandle() && block.windowHandle()->isExposed(); }));
    EXPECT_TRUE(overrideRedirect(block));

    const QPoint middle = ui::qtGeometry(block.frame()).center();
    moveTo(middle);
    EXPECT_EQ(windowUnderPointer(), block.winId());
    runTool({"xdotool", "click", "1"});
    EXPECT_TRUE(settle([&] { return clicks == 1; }));

    // The window manager's Alt+drag binding leaves the block alone: the press is ours and
    // the block stays where it is.
    const QRect before = block.geometry();
    runTool({"xdotool", "keydown", "alt", "mousedown", "1"});
    const QPoint away = rootPixel(middle + QPoint(60, 40));
    ASSERT_TRUE(testsupport::movePointer(away.x(), away.y()));
    runTool({"xdotool", "mouseup", "1", "keyup", "alt"});
    EXPECT_TRUE(settle([&] { return drags == 1; }));
    EXPECT_EQ(block.geometry(), before);
    EXPECT_TRUE(overrideRedirect(block));
}

TEST_F(X11Overlays, TheSelectorsOverlayBypassesTheWindowManagerAndKeepsClicksFromTheWindowsBelow)
{
    X11Client xterm({"xterm"});
    const auto terminal = terminalAt200(xterm);
    ASSERT_NE(terminal, 0u);

    const auto screen = ui::mainScreen();
    ASSERT_TRUE(screen);
    selector::SelectorPanel overlay(*screen);
    auto* counter = new PressCounter;
    overlay.setContentView(counter);
    overlay.orderFront();
    ASSERT_TRUE(settle([&] { return overlay.windowHandle() && overlay.windowHandle()->isExposed(); }));
    EXPECT_TRUE(overrideRedirect(overlay));
    EXPECT_EQ(overlay.level(), selector::RegionSelector::overlayLevel);

    // Over xterm, the click is the overlay's, also once xterm is activated again.
    x11test::activate(terminal);
    moveTo(QPoint(300, 300) / pixelRatio());
    EXPECT_TRUE(settle([&] { return windowUnderPointer() == overlay.winId(); }));
    runTool({"xdotool", "click", "1"});
    EXPECT_TRUE(settle([&] { return counter->presses == 1; }));
}

// Without a compositing manager our overlays' clear pixels would show as black: they show
// the screen they cover as it was when they came up. The selector's dims it, leaving the
// window to select lighter; the trigger block's rounded corners show what lies beneath.
TEST_F(X11Overlays, WithoutACompositingManagerTheOverlaysShowTheScreenTheyCover)
{
    const auto connection = testsupport::openTestDisplay();
    ASSERT_TRUE(connection);
    ASSERT_FALSE(x11::hasCompositingManager(*connection));
    X11Client xterm({"xterm", "-bg", "white", "-geometry", "60x20"});
    ASSERT_NE(terminalAt200(xterm), 0u);
    // Two points on xterm's blank right-hand side; the window to select holds the first.
    const QPoint inside = QPoint(520, 300) / pixelRatio();
    const QPoint outside = QPoint(520, 420) / pixelRatio();
    ASSERT_TRUE(settle([&] { return shownBrightness(inside) > 240 && shownBrightness(outside) > 240; }));

    const auto screen = ui::mainScreen();
    ASSERT_TRUE(screen);
    selector::SelectorPanel overlay(*screen);
    auto* view = new selector::SelectorView(*screen);
    view->windowFrame = ui::screenFrame(QRect(QPoint(480, 260) / pixelRatio(), QSize(80, 80) / pixelRatio()));
    overlay.setContentView(view);
    overlay.orderFront();
    ASSERT_TRUE(settle([&] { return overlay.windowHandle() && overlay.windowHandle()->isExposed(); }));
    // Lightly dimmed at 0.16 inside the window, 0.42 outside.
    EXPECT_TRUE(settle([&] { return std::abs(shownBrightness(inside) - 214) < 12; })) << shownBrightness(inside);
    EXPECT_TRUE(settle([&] { return std::abs(shownBrightness(outside) - 148) < 12; })) << shownBrightness(outside);
    overlay.orderOut();

    app::HoverTriggerBlock block;
    block.showAt(ui::screenFrame(QRect(QPoint(440, 380) / pixelRatio(), QSize(84, 56))));
    ASSERT_TRUE(settle([&] { return block.windowHandle() && block.windowHandle()->isExposed(); }));
    const QPoint corner = ui::qtGeometry(block.frame()).topLeft() + QPoint(1, 1);
    EXPECT_TRUE(settle([&] { return shownBrightness(corner, 2) > 240; })) << shownBrightness(corner, 2);
}

TEST_F(X11Overlays, HalfOpaqueWindowsShowTheDesktopThroughOnlyWithACompositingManager)
{
    const auto connection = testsupport::openTestDisplay();
    ASSERT_TRUE(connection);
    EXPECT_FALSE(x11::hasCompositingManager(*connection));

    ui::Window panel(ui::screenFrame(QRect(QPoint(600, 300) / pixelRatio(), QSize(200, 150))));
    panel.setContentView(filled(Qt::white));
    panel.setLevel(desktop::level::floating);
    panel.setAlphaValue(0.5);
    panel.orderFront();
    // Without one the window is drawn opaque.
    ASSERT_TRUE(settle([&] { return shownBrightness(panel) > 250; })) << shownBrightness(panel);

    X11Client compositor({"xcompmgr"});
    ASSERT_TRUE(settle([&] { return x11::hasCompositingManager(*connection); }));
    EXPECT_TRUE(settle([&] { return shownBrightness(panel) < 200; })) << shownBrightness(panel);
    const int half = shownBrightness(panel);
    panel.setAlphaValue(1);
    EXPECT_TRUE(settle([&] { return shownBrightness(panel) > half + 40; })) << half << " " << shownBrightness(panel);

    compositor.end();
    EXPECT_TRUE(settle([&] { return !x11::hasCompositingManager(*connection); }));
}

// The X11 desktop lists an overlay at its level and raises it above the managed windows
// itself: the window manager does not stack what it does not manage.
TEST(X11OverlayStacking, AnOverlayIsListedAtItsLevelAndStaysAboveAnActivatedWindow)
{
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    testsupport::ensureQtApplication();
    const auto connection = testsupport::openTestDisplay();
    ASSERT_TRUE(connection);
    x11::X11WindowServer server(connection, std::make_shared<x11::ClientFactsCache>(connection));
    X11Client xterm({"xterm"});
    const auto terminal = xterm.waitForWindow("xterm");
    ASSERT_NE(terminal, 0u);
    runTool({"xdotool", "windowmove", "--sync", std::to_string(terminal), "200", "200"});

    QWidget overlay(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::BypassWindowManagerHint);
    overlay.setGeometry(250, 250, 100, 80);
    const desktop::OwnWindowState state{.title = "overlay",
                                        .frame = core::Rect(250, 250, 100, 80),
                                        .level = 1000,
                                        .visible = true,
                                        .nativeWindow = overlay.winId()};
    overlay.show();
    const auto number = server.registerOwnWindow(state, {}, {});
    ASSERT_TRUE(overrideRedirect(overlay));

    x11test::activate(terminal);
    server.orderOwnWindowFront(number);
    const auto listed = [&] {
        QCoreApplication::processEvents();
        const auto list =
            server.windowList(desktop::WindowListOption::onScreenOnly).value_or(std::vector<desktop::WindowInfo>{});
        return x11test::indexOf(list, number) == 0 && x11test::indexOf(list, terminal) > 0;
    };
    EXPECT_TRUE(testsupport::waitUntil(listed));
    const auto entry = x11test::entryOf(
        server.windowList(desktop::WindowListOption::onScreenOnly).value_or(std::vector<desktop::WindowInfo>{}), number);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->layer, 1000);
    ASSERT_TRUE(testsupport::movePointer(290, 290));
    EXPECT_TRUE(testsupport::waitUntil([&] {
        QCoreApplication::processEvents();
        return windowUnderPointer() == overlay.winId();
    }));
    server.unregisterOwnWindow(number);
}

}  // namespace
