#include "platform/dispatch/Queue.h"
#include "platform/sim/SimWorld.h"
#include "support/SimDesktopTest.h"

#include <gmock/gmock.h>

namespace {

namespace ax = desktop::ax;
using desktop::AXValue;
using desktop::Element;

class SimAccessibilityTest : public testsupport::SimDesktopTest {
protected:
    desktop::Accessibility& access() { return *desktop().accessibility; }

    core::Rect axFrame(const Element& window)
    {
        AXValue position, size;
        EXPECT_EQ(access().copyAttribute(window, ax::position, position), ax::success);
        EXPECT_EQ(access().copyAttribute(window, ax::size, size), ax::success);
        return {std::get<core::Point>(position), std::get<core::Size>(size)};
    }

    ax::Error setFrame(const Element& window, const core::Rect& frame)
    {
        const auto size = access().setAttribute(window, ax::size, frame.size);
        const auto position = access().setAttribute(window, ax::position, frame.origin);
        return size != ax::success ? size : position;
    }
};

TEST_F(SimAccessibilityTest, ElementsOfApplicationsAndWindows)
{
    addApp(501, "Editor");
    addApp(502, "Other");
    addWindow(501, 11, {0, 0, 400, 300});
    addWindow(501, 12, {50, 50, 400, 300});
    addWindow(502, 21, {0, 0, 100, 100});
    sim::SimWindow elsewhere;
    elsewhere.id = 13;
    elsewhere.pid = 501;
    elsewhere.offscreen = true;
    world().addWindow(elsewhere);
    world().setMinimized(12, true);

    AXValue value;
    ASSERT_EQ(access().copyAttribute(desktop::Accessibility::applicationElement(501), ax::windows, value), ax::success);
    EXPECT_THAT(std::get<std::vector<Element>>(value), testing::ElementsAre(Element{501, 12}, Element{501, 11}));
    EXPECT_EQ(access().windowNumber({501, 12}), 12u);
    EXPECT_EQ(access().windowNumber({502, 12}), std::nullopt);

    ASSERT_EQ(access().copyAttribute({501, 0}, ax::focusedWindow, value), ax::success);
    EXPECT_EQ(std::get<Element>(value), (Element{501, 11})) << "a minimised window has no focus";
    ASSERT_EQ(access().copyAttribute({501, 12}, ax::minimized, value), ax::success);
    EXPECT_EQ(std::get<bool>(value), true);
    EXPECT_EQ(access().setAttribute({501, 12}, ax::minimized, false), ax::success);
    EXPECT_TRUE(world().isOnScreen(12));

    world().setFrontmost(502);
    ASSERT_EQ(access().copyAttribute(desktop::Accessibility::systemWideElement(), ax::focusedApplication, value),
              ax::success);
    EXPECT_EQ(std::get<Element>(value), (Element{502, 0}));

    EXPECT_EQ(access().copyAttribute({501, 21}, ax::position, value), ax::invalidUIElement);
    EXPECT_EQ(access().copyAttribute({777, 0}, ax::windows, value), ax::invalidUIElement);
    EXPECT_EQ(access().copyAttribute({501, 11}, "AXTitle", value), ax::attributeUnsupported);
    EXPECT_EQ(access().copyAttribute({501, 11}, ax::minSize, value), ax::attributeUnsupported);

    // Raising puts the window in front of the stack and is journaled.
    EXPECT_EQ(access().performAction({501, 11}, ax::raise), ax::success);
    EXPECT_EQ(world().stackIds().front(), 11u);
    EXPECT_EQ(access().performAction({501, 0}, ax::raise), ax::actionUnsupported);
    ASSERT_EQ(journalOf("ax.action").size(), 2u);
    EXPECT_EQ(journalOf("ax.action")[0]["result"], 0);
}

TEST_F(SimAccessibilityTest, UntrustedCallsAreRefused)
{
    addApp(501, "Editor");
    addWindow(501, 11, {0, 0, 400, 300});
    world().setAccessibilityTrusted(false);

    EXPECT_FALSE(access().isTrusted());
    EXPECT_TRUE(journalOf("ax.prompt").empty());
    EXPECT_FALSE(access().isTrusted(true));
    EXPECT_EQ(journalOf("ax.prompt").size(), 1u);

    AXValue value;
    desktop::Token observer = 0;
    EXPECT_EQ(access().copyAttribute({501, 11}, ax::position, value), ax::apiDisabled);
    EXPECT_EQ(access().setAttribute({501, 11}, ax::position, core::Point{5, 5}), ax::apiDisabled);
    EXPECT_EQ(access().performAction({501, 11}, ax::raise), ax::apiDisabled);
    EXPECT_EQ(access().createObserver(
                  501, [](const Element&, const std::string&) {}, observer),
              ax::apiDisabled);
    EXPECT_EQ(access().windowNumber({501, 11}), std::nullopt);
    EXPECT_EQ(world().window(11)->frame, core::Rect(0, 0, 400, 300));
    EXPECT_EQ(journalOf("ax.set").at(0)["result"], ax::apiDisabled);
}

TEST_F(SimAccessibilityTest, WritesFollowTheApplicationsBehaviour)
{
    sim::AppBehavior refusing;
    refusing.refuseMoves = -25200;
    sim::AppBehavior clamping;
    clamping.minSize = core::Size{500, 400};
    addApp(501, "Plain");
    addApp(502, "Refusing", "", refusing);
    addApp(503, "Clamping", "", clamping);
    sim::AppBehavior shifting;
    shifting.shiftMoves = core::Point{7, -3};
    addApp(504, "Shifting", "", shifting);
    addWindow(501, 11, {0, 0, 400, 300});
    addWindow(502, 21, {0, 0, 400, 300});
    addWindow(503, 31, {0, 0, 800, 600});
    addWindow(504, 41, {0, 0, 400, 300});

    EXPECT_EQ(setFrame({501, 11}, {100, 120, 300, 200}), ax::success);
    EXPECT_EQ(axFrame({501, 11}), core::Rect(100, 120, 300, 200));
    EXPECT_EQ(world().window(11)->frame, core::Rect(100, 120, 300, 200));

    EXPECT_EQ(setFrame({502, 21}, {100, 120, 300, 200}), -25200);
    EXPECT_EQ(world().window(21)->frame, core::Rect(0, 0, 400, 300));

    // Below the minimum the write succeeds and the size is clamped, with no minimum reported.
    EXPECT_EQ(setFrame({503, 31}, {10, 20, 300, 450}), ax::success);
    EXPECT_EQ(axFrame({503, 31}), core::Rect(10, 20, 500, 450));
    AXValue value;
    EXPECT_EQ(access().copyAttribute({503, 31}, ax::minSize, value), ax::attributeUnsupported);

    // Position writes land off their target, each from the target, not from the last landing.
    EXPECT_EQ(setFrame({504, 41}, {100, 120, 300, 200}), ax::success);
    EXPECT_EQ(axFrame({504, 41}), core::Rect(107, 117, 300, 200)) << "the element tells where it really is";
    EXPECT_EQ(access().setAttribute({504, 41}, ax::position, core::Point{100, 120}), ax::success);
    EXPECT_EQ(world().window(41)->frame, core::Rect(107, 117, 300, 200));

    EXPECT_EQ(access().setAttribute({501, 11}, ax::size, core::Point{1, 2}), ax::illegalArgument);
    EXPECT_EQ(access().setAttribute({501, 0}, ax::size, core::Size{1, 2}), ax::attributeUnsupported);

    const auto writes = journalOf("ax.set");
    ASSERT_EQ(writes.size(), 11u);
    EXPECT_EQ(writes[0], (nlohmann::json{{"t", 0.0},
                                         {"do", "ax.set"},
                                         {"pid", 501},
                                         {"window", 11},
                                         {"attribute", "AXSize"},
                                         {"value", {300.0, 200.0}},
                                         {"result", 0}}));
    EXPECT_EQ(writes[2]["result"], -25200);
}

TEST_F(SimAccessibilityTest, ReportedMinimumSizeOnWindowAndApplication)
{
    sim::AppBehavior reporting;
    reporting.reportMinSize = core::Size{320, 240};
    addApp(501, "Editor", "", reporting);
    addWindow(501, 11, {0, 0, 400, 300});
    AXValue value;
    ASSERT_EQ(access().copyAttribute({501, 11}, ax::minSize, value), ax::success);
    EXPECT_EQ(std::get<core::Size>(value), (core::Size{320, 240}));
    ASSERT_EQ(access().copyAttribute({501, 0}, ax::minSize, value), ax::success);
    EXPECT_EQ(std::get<core::Size>(value), (core::Size{320, 240}));
}

// A late application answers at once and moves later; a read-back loop that sleeps sees
// the new frame from the due time on, and a hanging one blocks every call.
TEST_F(SimAccessibilityTest, LateAndHangingApplicationsOverVirtualTime)
{
    sim::AppBehavior late;
    late.settleDelay = 0.25;
    sim::AppBehavior hanging;
    hanging.hang = 2;
    addApp(501, "Late", "", late);
    addApp(502, "Hanging", "", hanging);
    addWindow(501, 11, {0, 0, 400, 300});
    addWindow(502, 21, {500, 0, 400, 300});

    const double start = dispatch::now();
    EXPECT_EQ(setFrame({501, 11}, {100, 100, 600, 500}), ax::success);
    EXPECT_EQ(world().window(11)->frame, core::Rect(0, 0, 400, 300));
    double seenAt = -1;
    for (int i = 0; i < 10 && seenAt < 0; ++i) {
        dispatch::sleepFor(0.08);
        if (axFrame({501, 11}) == core::Rect(100, 100, 600, 500)) seenAt = dispatch::now() - start;
    }
    EXPECT_NEAR(seenAt, 0.32, 1e-9);

    const double before = dispatch::now();
    AXValue value;
    EXPECT_EQ(access().copyAttribute({502, 21}, ax::position, value), ax::success);
    EXPECT_DOUBLE_EQ(dispatch::now() - before, 2);
}

TEST_F(SimAccessibilityTest, ObserversHearResizesAndFocusChangesOnTheMainQueue)
{
    sim::AppBehavior late;
    late.settleDelay = 0.5;
    addApp(501, "Editor", "", late);
    addWindow(501, 11, {0, 0, 400, 300});
    addWindow(501, 12, {0, 0, 300, 300});

    std::vector<std::pair<Element, std::string>> heard;
    desktop::Token observer = 0;
    ASSERT_EQ(access().createObserver(
                  501,
                  [&](const Element& element, const std::string& name) {
                      EXPECT_TRUE(dispatch::main().isCurrent());
                      heard.emplace_back(element, name);
                  },
                  observer),
              ax::success);
    ASSERT_EQ(access().addNotification(observer, {501, 11}, ax::windowResized), ax::success);
    ASSERT_EQ(access().addNotification(observer, {501, 0}, ax::focusedWindowChanged), ax::success);
    EXPECT_EQ(access().addNotification(observer, {501, 11}, ax::windowResized), ax::notificationAlreadyRegistered);
    EXPECT_EQ(access().addNotification(observer, {501, 11}, "AXTitleChanged"), ax::notificationUnsupported);
    EXPECT_EQ(access().addNotification(observer, {502, 0}, ax::focusedWindowChanged), ax::illegalArgument);
    EXPECT_EQ(access().addNotification(observer + 1, {501, 11}, ax::windowResized), ax::invalidUIElementObserver);

    // The size changes when the late write settles, without anybody asking.
    EXPECT_EQ(access().setAttribute({501, 11}, ax::size, core::Size{500, 400}), ax::success);
    clock().advance(0.4);
    EXPECT_TRUE(heard.empty());
    clock().advance(0.2);
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0], std::make_pair(Element{501, 11}, std::string(ax::windowResized)));

    // A resize by the application itself, and a move that changes no size.
    world().setFrame(11, {0, 0, 640, 480});
    world().setFrame(11, {10, 10, 640, 480});
    clock().runUntilIdle();
    EXPECT_EQ(heard.size(), 2u);

    world().raise(11);
    clock().runUntilIdle();
    ASSERT_EQ(heard.size(), 3u);
    EXPECT_EQ(heard[2], std::make_pair(Element{501, 11}, std::string(ax::focusedWindowChanged)));

    EXPECT_EQ(access().removeNotification(observer, {501, 11}, ax::windowResized), ax::success);
    EXPECT_EQ(access().removeNotification(observer, {501, 11}, ax::windowResized), ax::notificationNotRegistered);
    world().setFrame(11, {0, 0, 200, 200});
    access().destroyObserver(observer);
    world().raise(12);
    clock().runUntilIdle();
    EXPECT_EQ(heard.size(), 3u);
}

TEST_F(SimAccessibilityTest, EachObserverHearsWhatItSubscribedToUntilItIsDestroyed)
{
    addApp(501, "Editor");
    addApp(502, "Viewer");
    addWindow(501, 11, {0, 0, 400, 300});
    addWindow(501, 12, {0, 0, 300, 300});
    addWindow(502, 21, {0, 0, 300, 300});

    std::map<std::string, std::vector<Element>> heard;
    const auto observe = [&](desktop::Pid pid, const std::string& who, const Element& on) {
        desktop::Token observer = 0;
        EXPECT_EQ(access().createObserver(
                      pid, [&heard, who](const Element& element, const std::string&) { heard[who].push_back(element); },
                      observer),
                  ax::success);
        EXPECT_EQ(access().addNotification(observer, on, ax::windowMoved), ax::success);
        return observer;
    };
    const auto wholeApp = observe(501, "whole app", {501, 0});
    observe(501, "one window", {501, 11});
    observe(502, "other app", {502, 21});

    world().setFrame(12, {5, 5, 300, 300});
    world().setFrame(11, {5, 5, 400, 300});
    // A notice already on its way is dropped once its observer is gone.
    access().destroyObserver(wholeApp);
    clock().runUntilIdle();

    EXPECT_EQ(heard["whole app"], std::vector<Element>{});
    EXPECT_EQ(heard["one window"], std::vector<Element>({{501, 11}}));
    EXPECT_EQ(heard["other app"], std::vector<Element>{});

    desktop::Token observer = 0;
    EXPECT_EQ(access().createObserver(
                  0, [](const Element&, const std::string&) {}, observer),
              ax::illegalArgument);
    EXPECT_EQ(access().createObserver(501, {}, observer), ax::illegalArgument);
}

}  // namespace
