#include "platform/x11/X11Accessibility.h"

#include "X11ServiceFixture.h"
#include "x11/TestDisplay.h"
#include "platform/core/SystemLog.h"
#include "platform/x11/X11ClientPid.h"
#include "platform/x11/X11Displays.h"
#include "platform/x11/X11FrameGeometry.h"

#include <mutex>
#include <sstream>

namespace {

namespace ax = desktop::ax;
using testsupport::runTool;
using testsupport::waitUntil;
using testsupport::X11Client;

// Where X has the client window itself, as xwininfo reads it.
core::Point clientOrigin(xcb_window_t window)
{
    std::istringstream info(runTool({"xwininfo", "-id", std::to_string(window)}));
    core::Point origin;
    for (std::string line; std::getline(info, line);) {
        if (const auto at = line.find("Absolute upper-left X:"); at != std::string::npos)
            origin.x = std::stod(line.substr(at + 22));
        if (const auto at = line.find("Absolute upper-left Y:"); at != std::string::npos)
            origin.y = std::stod(line.substr(at + 22));
    }
    return origin;
}

class X11AccessibilityTest : public testsupport::X11ServiceTest {
protected:
    void SetUp() override
    {
        X11ServiceTest::SetUp();
        if (HasFatalFailure()) return;
        // The displays fill the global space the window control converts through.
        displays = std::make_shared<x11::X11Displays>(connection);
        accessibility = std::make_shared<x11::X11Accessibility>(
            connection, std::make_shared<x11::ClientFactsCache>(connection), std::make_shared<x11::ActiveClient>(connection));
    }

    desktop::Element elementOf(X11Client& client, const std::string& windowClass)
    {
        const auto window = static_cast<xcb_window_t>(client.waitForWindow(windowClass));
        EXPECT_NE(window, 0u);
        return {x11::clientPid(*connection, window).value_or(0), window};
    }

    std::optional<core::Rect> frame(const desktop::Element& element)
    {
        desktop::AXValue position;
        desktop::AXValue size;
        if (accessibility->copyAttribute(element, ax::position, position) != ax::success) return std::nullopt;
        if (accessibility->copyAttribute(element, ax::size, size) != ax::success) return std::nullopt;
        return core::Rect(std::get<core::Point>(position), std::get<core::Size>(size));
    }

    bool minimized(const desktop::Element& element)
    {
        desktop::AXValue value;
        return accessibility->copyAttribute(element, ax::minimized, value) == ax::success && std::get<bool>(value);
    }

    // Registers an observer of the element's application; what it hears goes to heard.
    void observe(const desktop::Element& element, const std::vector<std::string>& notifications)
    {
        desktop::Token observer = 0;
        EXPECT_EQ(accessibility->createObserver(
                      element.pid,
                      [this](const desktop::Element& from, const std::string& name) {
                          heard.push_back({from, name});
                      },
                      observer),
                  ax::success);
        for (const auto& notification : notifications)
            EXPECT_EQ(accessibility->addNotification(observer, element, notification), ax::success);
    }

    bool heardOf(const desktop::Element& element, const std::string& notification) const
    {
        for (const auto& [from, name] : heard)
            if (from == element && name == notification) return true;
        return false;
    }

    std::shared_ptr<x11::X11Displays> displays;
    std::shared_ptr<x11::X11Accessibility> accessibility;
    std::vector<std::pair<desktop::Element, std::string>> heard;
};

TEST_F(X11AccessibilityTest, MovesAndResizesTheFrameTheUserSeesAndTellsTheObservers)
{
    X11Client clock({"xclock", "-update", "1"});
    const auto element = elementOf(clock, "XClock");
    ASSERT_EQ(element.pid, clock.pid());
    desktop::AXValue windows;
    ASSERT_EQ(accessibility->copyAttribute(desktop::Accessibility::applicationElement(clock.pid()), ax::windows, windows),
              ax::success);
    EXPECT_EQ(std::get<std::vector<desktop::Element>>(windows), std::vector<desktop::Element>{element});
    EXPECT_EQ(accessibility->windowNumber(element), element.window);
    observe(element, {ax::windowMoved, ax::windowResized});

    ASSERT_EQ(accessibility->setAttribute(element, ax::position, core::Point{300, 200}), ax::success);
    ASSERT_TRUE(waitOnMain([&] {
        return heardOf(element, ax::windowMoved) && frame(element)->origin == core::Point{300, 200};
    }));
    // The frame includes openbox's decorations: the client itself sits inside them.
    const auto extents = x11::frameExtents(*connection, element.window);
    EXPECT_GT(extents.top, 0);
    EXPECT_EQ(clientOrigin(element.window), (core::Point{300 + extents.left, 200 + extents.top}));
    EXPECT_FALSE(heardOf(element, ax::windowResized));

    ASSERT_EQ(accessibility->setAttribute(element, ax::size, core::Size{260, 190}), ax::success);
    ASSERT_TRUE(waitOnMain([&] {
        return heardOf(element, ax::windowResized) && frame(element)->size == core::Size{260, 190};
    }));
    EXPECT_EQ(frame(element)->origin, (core::Point{300, 200}));

    EXPECT_EQ(accessibility->setAttribute(element, ax::size, core::Point{1, 2}), ax::illegalArgument);
    EXPECT_EQ(accessibility->setAttribute(element, ax::position, core::Point{std::nan(""), 2}), ax::illegalArgument);
}

TEST_F(X11AccessibilityTest, AMoveTheWindowManagerClampsReadsBackWhereItLanded)
{
    X11Client clock({"xclock", "-update", "1"});
    const auto element = elementOf(clock, "XClock");
    observe(element, {ax::windowMoved});
    ASSERT_EQ(accessibility->setAttribute(element, ax::position, core::Point{2500, 100}), ax::success);
    ASSERT_TRUE(waitOnMain([&] { return heardOf(element, ax::windowMoved) && frame(element)->origin.y == 100; }));
    const auto landed = *frame(element);
    EXPECT_LT(landed.origin.x, 1920);  // openbox keeps part of it on the 1920-wide screen
    EXPECT_EQ(clientOrigin(element.window).x, landed.origin.x + x11::frameExtents(*connection, element.window).left);
}

bool onSecondWorkspace(xcb_window_t window)
{
    return runTool({"xprop", "-id", std::to_string(window), "_NET_WM_DESKTOP"}).ends_with("= 1\n");
}

// A window the user does not see stays where it is, unless it goes back from where it was
// moved while the user saw it (a taken-over window, given back once the user went to
// another workspace).
TEST_F(X11AccessibilityTest, AWriteTheWindowManagerRefusesOrTheUserCannotSeeFails)
{
    // Its minimum is its size: openbox does not shrink it.
    X11Client solid({GLIMRA_SOLID_WINDOW, "300", "200"});
    const auto fixed = elementOf(solid, "SolidWindow");
    const auto home = *frame(fixed);
    EXPECT_EQ(accessibility->setAttribute(fixed, ax::size, core::Size{200, 150}), ax::cannotComplete);
    EXPECT_EQ(frame(fixed), home);

    X11Client clock({"xclock", "-update", "1"});
    const auto xclock = elementOf(clock, "XClock");
    const auto clockHome = *frame(xclock);
    ASSERT_EQ(accessibility->setAttribute(fixed, ax::position, core::Point{700, 500}), ax::success);
    for (const auto window : {fixed.window, xclock.window})
        runTool({"wmctrl", "-i", "-r", std::to_string(window), "-t", "1"});
    ASSERT_TRUE(waitOnMain([&] { return onSecondWorkspace(fixed.window) && onSecondWorkspace(xclock.window); }));
    EXPECT_EQ(accessibility->setAttribute(xclock, ax::position, core::Point{100, 100}), ax::cannotComplete);
    EXPECT_EQ(frame(xclock), clockHome);
    EXPECT_EQ(accessibility->setAttribute(fixed, ax::position, home.origin), ax::success);
    EXPECT_EQ(frame(fixed), home);
}

// The corner is kept once read: a client that starts or stops drawing its own title bar
// moves it, as soon as the property says so.
TEST_F(X11AccessibilityTest, TheButtonFreeCornerFollowsTheClientsDecorations)
{
    X11Client clock({"xclock", "-update", "1"});
    const auto element = elementOf(clock, "XClock");
    const auto extents = x11::frameExtents(*connection, element.window);
    ASSERT_GT(extents.top, 0);
    EXPECT_EQ(accessibility->buttonFreeCorner(element.window), (desktop::CornerInset{extents.top, extents.right}));

    const auto id = std::to_string(element.window);
    runTool({"xprop", "-id", id, "-f", "_GTK_FRAME_EXTENTS", "32c", "-set", "_GTK_FRAME_EXTENTS", "0, 10, 20, 0"});
    const desktop::CornerInset ownTitleBar{extents.top + 20 + 48, extents.right + 10};
    EXPECT_TRUE(waitUntil([&] { return accessibility->buttonFreeCorner(element.window) == ownTitleBar; }))
        << accessibility->buttonFreeCorner(element.window).top;
    runTool({"xprop", "-id", id, "-remove", "_GTK_FRAME_EXTENTS"});
    EXPECT_TRUE(waitUntil([&] {
        return accessibility->buttonFreeCorner(element.window) == desktop::CornerInset{extents.top, extents.right};
    }));
}

TEST_F(X11AccessibilityTest, UnminimisesRaisesAndFollowsTheFocus)
{
    X11Client terminal({"xterm"});
    const auto xterm = elementOf(terminal, "XTerm");
    X11Client clock({"xclock", "-update", "1"});
    const auto xclock = elementOf(clock, "XClock");
    const auto rootWindows = [&](const char* property) {
        return connection->cardinals(connection->root(), connection->atom(property), XCB_ATOM_WINDOW);
    };
    const auto stacking = [&] { return rootWindows("_NET_CLIENT_LIST_STACKING"); };
    const auto active = [&] { return rootWindows("_NET_ACTIVE_WINDOW"); };
    ASSERT_TRUE(waitOnMain([&] { return !stacking().empty() && stacking().back() == xclock.window; }));

    ASSERT_EQ(accessibility->performAction(xterm, ax::raise), ax::success);
    ASSERT_TRUE(waitOnMain([&] { return stacking().back() == xterm.window; }));

    // xterm takes the focus (xclock never does): minimising it takes the focus away, and
    // restoring it by activation brings the focus back, which its observers hear of.
    observe(desktop::Accessibility::applicationElement(xterm.pid), {ax::focusedWindowChanged});
    observe(xclock, {ax::windowMoved});
    ASSERT_EQ(accessibility->setAttribute(xterm, ax::minimized, true), ax::success);
    ASSERT_TRUE(waitOnMain([&] { return minimized(xterm) && active() != std::vector<xcb_window_t>{xterm.window}; }));
    // The service reads the server's events in order: once it tells of a later move of
    // xclock, it has seen the focus leave, and whatever the observers heard is old. A busy
    // machine may let it see the focus only when it is back, and then nothing changed.
    const auto clockAt = frame(xclock)->origin;
    ASSERT_EQ(accessibility->setAttribute(xclock, ax::position, core::Point{clockAt.x + 40, clockAt.y + 30}),
              ax::success);
    ASSERT_TRUE(waitOnMain([&] { return heardOf(xclock, ax::windowMoved); }));
    heard.clear();
    ASSERT_EQ(accessibility->setAttribute(xterm, ax::minimized, false), ax::success);
    ASSERT_TRUE(waitOnMain([&] {
        return !minimized(xterm) && heardOf(xterm, ax::focusedWindowChanged) && stacking().back() == xterm.window &&
               active() == std::vector<xcb_window_t>{xterm.window};
    }));
    desktop::AXValue focused;
    ASSERT_EQ(accessibility->copyAttribute(desktop::Accessibility::systemWideElement(), ax::focusedApplication, focused),
              ax::success);
    EXPECT_EQ(std::get<desktop::Element>(focused), desktop::Accessibility::applicationElement(xterm.pid));
    ASSERT_EQ(
        accessibility->copyAttribute(desktop::Accessibility::applicationElement(xterm.pid), ax::focusedWindow, focused),
        ax::success);
    EXPECT_EQ(std::get<desktop::Element>(focused), xterm);
    // xterm asks for a minimum size; the frame's adds the decorations.
    desktop::AXValue minimum;
    ASSERT_EQ(accessibility->copyAttribute(xterm, ax::minSize, minimum), ax::success);
    const auto extents = x11::frameExtents(*connection, xterm.window);
    EXPECT_GT(std::get<core::Size>(minimum).width, extents.left + extents.right);
    EXPECT_LE(std::get<core::Size>(minimum).height, frame(xterm)->size.height);
    // An application without the focus answers its topmost window.
    ASSERT_EQ(
        accessibility->copyAttribute(desktop::Accessibility::applicationElement(xclock.pid), ax::focusedWindow, focused),
        ax::success);
    EXPECT_EQ(std::get<desktop::Element>(focused), xclock);
}

TEST_F(X11AccessibilityTest, AClientThatVanishesMidMoveIsAnErrorAndALogLine)
{
    std::mutex mutex;
    std::vector<std::string> lines;
    core::systemLog::setSink([&](const std::string& line) {
        std::lock_guard lock(mutex);
        lines.push_back(line);
    });
    X11Client clock({"xclock", "-update", "1"});
    const auto element = elementOf(clock, "XClock");
    ASSERT_EQ(accessibility->setAttribute(element, ax::position, core::Point{100, 100}), ax::success);
    clock.end();
    double x = 100;
    EXPECT_TRUE(waitOnMain([&] {
        return accessibility->setAttribute(element, ax::position, core::Point{x += 10, 100}) == ax::invalidUIElement;
    }));
    EXPECT_FALSE(frame(element));
    EXPECT_EQ(accessibility->performAction(element, ax::raise), ax::invalidUIElement);
    core::systemLog::setSink({});
    std::lock_guard lock(mutex);
    ASSERT_FALSE(lines.empty());
    std::ostringstream expected;
    expected << "[Glimra] X11 window 0x" << std::hex << element.window << std::dec << " of pid " << element.pid
             << " is gone; setting AXPosition not done";
    EXPECT_EQ(lines.front(), expected.str());
}

// On a display of its own, under a window manager that draws no frames and carries moves
// out as the test tells it.
class X11AccessibilityUnderWaywardManager : public X11AccessibilityTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(display.ready()) << "the window manager did not come up";
        X11AccessibilityTest::SetUp();
    }

    // The services let go of the display before it goes.
    void TearDown() override
    {
        accessibility.reset();
        displays.reset();
        connection.reset();
    }

    // "late", or anything else: at once.
    static void carryMovesOut(const std::string& how)
    {
        runTool({"xprop", "-root", "-f", "_WAYWARD_MODE", "8s", "-set", "_WAYWARD_MODE", how});
    }

    static bool allMovesCarriedOut() { return runTool({"xprop", "-root", "_WAYWARD_PENDING"}).ends_with(" = 0\n"); }

    testsupport::TestDisplay display{"1280x800x24", std::vector<std::string>{GLIMRA_WAYWARD_WM}};
};

TEST_F(X11AccessibilityUnderWaywardManager, AFrameLandsWhereAskedAndALateMoveEndsWhereAskedLast)
{
    X11Client clock({"xclock", "-update", "1"});
    const auto element = elementOf(clock, "XClock");
    const auto first = frame(element);
    ASSERT_TRUE(first);
    // A first move not seen in time has failed: the window stays where it was.
    carryMovesOut("late");
    const core::Rect box{700, 400, 202, 152};
    EXPECT_EQ(accessibility->setFrame(element, box, true).size, ax::cannotComplete);
    ASSERT_TRUE(waitUntil(allMovesCarriedOut));
    EXPECT_EQ(frame(element), first);

    // The client's border is the window's edge: it does not push the window off.
    carryMovesOut("at once");
    const core::Rect home{300, 200, 262, 192};
    ASSERT_EQ(accessibility->setFrame(element, home, false).position, ax::success);
    EXPECT_EQ(frame(element), home);

    // Position and size go in one request: a late window manager takes no mix of both, and
    // a move back lands, late.
    ASSERT_EQ(accessibility->setFrame(element, box, true).size, ax::success);
    carryMovesOut("late");
    EXPECT_EQ(accessibility->setFrame(element, home, false).size, ax::cannotComplete);
    ASSERT_TRUE(waitUntil(allMovesCarriedOut));
    EXPECT_EQ(frame(element), home);
}

}  // namespace
