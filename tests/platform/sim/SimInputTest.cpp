#include "platform/sim/InputTest.h"

#include "platform/dispatch/Queue.h"

namespace {

using desktop::Event;
using desktop::EventType;
using desktop::maskOf;
using sim::MouseButton;
using testsupport::InputTest;
namespace mod = desktop::modifier;

TEST_F(InputTest, ClicksOnForeignWindowsReachGlobalMonitorsAndPostedOnesAreJournaled)
{
    std::vector<Event> downs;
    int localCalls = 0;
    input->addGlobalMonitor(maskOf(EventType::leftMouseDown), [&](const Event& e) {
        EXPECT_TRUE(dispatch::main().isCurrent());
        downs.push_back(e);
    });
    input->addLocalMonitor(desktop::anyEventMask, [&](const Event& e) {
        ++localCalls;
        return std::optional(e);
    });
    // An own window that lets the mouse through lies over the point.
    std::vector<Event> ownReceived;
    addOwnWindow({150, 120, 200, 100}, ownReceived, true);

    input->postEvent(mouseEvent(EventType::leftMouseDown, {200, 150}, 2));
    dispatch::sleepFor(0.025);
    input->postEvent(mouseEvent(EventType::leftMouseUp, {200, 150}, 2));

    const auto posted = journalOf("event");
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_EQ(posted[0]["type"], "leftMouseDown");
    EXPECT_EQ(posted[0]["at"], nlohmann::json::array({200.0, 150.0}));
    EXPECT_EQ(posted[0]["window"], editorWindow);
    EXPECT_EQ(posted[0]["clickState"], 2);
    EXPECT_EQ(posted[1]["type"], "leftMouseUp");
    EXPECT_NEAR(posted[1]["t"].get<double>() - posted[0]["t"].get<double>(), 0.025, 1e-9);
    EXPECT_EQ(input->pointerLocation(), (core::Point{200, 150})) << "a posted click moves the pointer";
    EXPECT_TRUE(downs.empty()) << "monitors run later, on the main queue";

    clock().runUntilIdle();
    ASSERT_EQ(downs.size(), 1u);
    EXPECT_EQ(downs[0].targetWindow, editorWindow);
    EXPECT_EQ(downs[0].clickState, 2);

    // The user's own clicks reach the monitors too, but the journal only keeps what the
    // application did.
    input->userMouseDown(MouseButton::left, {300, 300});
    input->userMouseUp(MouseButton::left, {300, 300});
    clock().runUntilIdle();
    EXPECT_EQ(downs.size(), 2u);
    EXPECT_EQ(journalOf("event").size(), 2u);
    EXPECT_EQ(localCalls, 0);
    EXPECT_TRUE(ownReceived.empty());
}

TEST_F(InputTest, OwnWindowsGetEventsThroughLocalMonitorsThatMayChangeOrSwallowThem)
{
    std::vector<Event> received;
    const auto own = addOwnWindow({600, 100, 200, 150}, received);
    int globalCalls = 0;
    input->addGlobalMonitor(desktop::anyEventMask, [&](const Event&) { ++globalCalls; });
    input->addLocalMonitor(maskOf(EventType::leftMouseDown) | maskOf(EventType::leftMouseUp),
                           [&](const Event& e) -> std::optional<Event> {
                               EXPECT_TRUE(dispatch::main().isCurrent());
                               EXPECT_EQ(received.size(), e.type == EventType::leftMouseDown ? 0u : 1u)
                                   << "local monitors come before the window";
                               if (e.clickState == 3) return std::nullopt;
                               Event changed = e;
                               changed.userData = 7;
                               return changed;
                           });

    input->userMouseDown(MouseButton::left, {650, 120});
    input->userMouseUp(MouseButton::left, {650, 120});
    EXPECT_TRUE(received.empty());
    clock().runUntilIdle();
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].type, EventType::leftMouseDown);
    EXPECT_EQ(received[0].location, (core::Point{650, 120}));
    EXPECT_EQ(received[0].targetWindow, own);
    EXPECT_EQ(received[0].userData, 7) << "the window gets the monitor's version";
    EXPECT_EQ(received[1].type, EventType::leftMouseUp);

    received.clear();
    input->userMouseDown(MouseButton::left, {650, 120}, 3);
    clock().runUntilIdle();
    EXPECT_TRUE(received.empty()) << "swallowed by the local monitor";
    EXPECT_EQ(globalCalls, 0);
    EXPECT_TRUE(journalOf("event").empty());
}

TEST_F(InputTest, ADragStaysWithTheWindowThatGotThePress)
{
    std::vector<Event> received;
    addOwnWindow({600, 100, 200, 150}, received);
    std::vector<Event> foreign;
    input->addGlobalMonitor(desktop::anyEventMask, [&](const Event& e) { foreign.push_back(e); });

    input->userMouseDown(MouseButton::left, {650, 120});
    input->userMouseMove({900, 500});
    EXPECT_TRUE(input->isButtonDown(0));
    EXPECT_FALSE(input->isButtonDown(1));
    input->userMouseUp(MouseButton::left, {900, 500});
    EXPECT_FALSE(input->isButtonDown(0));
    clock().runUntilIdle();
    ASSERT_EQ(received.size(), 3u);
    EXPECT_EQ(received[1].type, EventType::leftMouseDragged);
    EXPECT_EQ(received[1].location, (core::Point{900, 500}));
    EXPECT_EQ(received[2].type, EventType::leftMouseUp);
    EXPECT_TRUE(foreign.empty());

    // Released, the pointer's moves belong to whatever lies under it; the window it left
    // hears where it went.
    input->userMouseMove({300, 200});
    clock().runUntilIdle();
    ASSERT_EQ(foreign.size(), 1u);
    EXPECT_EQ(foreign[0].type, EventType::mouseMoved);
    EXPECT_EQ(foreign[0].targetWindow, editorWindow);
    ASSERT_EQ(received.size(), 4u);
    EXPECT_EQ(received[3].type, EventType::mouseMoved);
    EXPECT_EQ(received[3].location, (core::Point{300, 200}));
}

TEST_F(InputTest, AnOwnWindowHearsOnceThatThePointerLeftItWhereverItWent)
{
    std::vector<Event> first, second;
    const auto firstWindow = addOwnWindow({600, 100, 200, 150}, first);
    const auto secondWindow = addOwnWindow({820, 100, 200, 150}, second);
    std::vector<Event> seenByMonitors;
    input->addGlobalMonitor(desktop::anyEventMask, [&](const Event& e) { seenByMonitors.push_back(e); });
    input->addLocalMonitor(desktop::anyEventMask, [&](const Event& e) -> std::optional<Event> {
        seenByMonitors.push_back(e);
        return e;
    });

    input->userMouseMove({650, 120});
    input->userMouseMove({900, 120});  // straight onto the other own window
    clock().runUntilIdle();
    ASSERT_EQ(first.size(), 2u);
    EXPECT_EQ(first[1].type, EventType::mouseMoved);
    EXPECT_EQ(first[1].location, (core::Point{900, 120}));
    EXPECT_EQ(first[1].targetWindow, firstWindow);
    EXPECT_EQ(second.size(), 1u);

    // A click on a foreign window leaves too; a key does not move the pointer.
    input->userKeyDown(desktop::key::a);
    input->userMouseDown(MouseButton::left, {300, 200});
    input->userMouseUp(MouseButton::left, {300, 200});
    input->userMouseMove({310, 200});
    clock().runUntilIdle();
    ASSERT_EQ(second.size(), 2u);
    EXPECT_EQ(second[1].type, EventType::mouseMoved);
    EXPECT_EQ(second[1].location, (core::Point{300, 200}));
    EXPECT_EQ(second[1].targetWindow, secondWindow);
    EXPECT_EQ(first.size(), 2u);
    // The monitors saw the user's events only: two moves in, the key, the click, a move.
    EXPECT_EQ(seenByMonitors.size(), 6u);
}

TEST_F(InputTest, WindowsChangingUnderAStillPointerTellTheOwnWindowsItCameIntoAndLeft)
{
    std::vector<Event> panel, menu;
    desktop::OwnWindowState panelState;
    panelState.frame = {600, 100, 200, 150};
    panelState.level = desktop::level::floating;
    panelState.visible = true;
    const auto panelWindow = addOwnWindow(panelState.frame, panel);
    std::vector<Event> seenByMonitors;
    input->addGlobalMonitor(desktop::anyEventMask, [&](const Event& e) { seenByMonitors.push_back(e); });
    input->userMouseMove({900, 300});
    clock().runUntilIdle();
    EXPECT_TRUE(panel.empty());

    // A menu shows under the pointer, then goes; the panel grows under it.
    const auto menuWindow = addOwnWindow({850, 250, 200, 200}, menu);
    clock().runUntilIdle();
    ASSERT_EQ(menu.size(), 1u);
    EXPECT_EQ(menu[0].type, EventType::mouseMoved);
    EXPECT_EQ(menu[0].location, (core::Point{900, 300}));
    EXPECT_EQ(menu[0].targetWindow, menuWindow);
    desktop().windowServer->unregisterOwnWindow(menuWindow);
    panelState.frame = {600, 100, 400, 300};
    desktop().windowServer->updateOwnWindow(panelWindow, panelState);
    clock().runUntilIdle();
    ASSERT_EQ(panel.size(), 1u);
    EXPECT_EQ(panel[0].type, EventType::mouseMoved);
    EXPECT_EQ(panel[0].location, (core::Point{900, 300}));
    EXPECT_EQ(panel[0].targetWindow, panelWindow);

    // Moving away, the panel hears that the pointer left it.
    input->userMouseMove({1200, 700});
    clock().runUntilIdle();
    ASSERT_EQ(panel.size(), 2u);
    EXPECT_EQ(panel[1].location, (core::Point{1200, 700}));

    // A held button keeps the window it pressed, whatever moves under the pointer.
    input->userMouseDown(MouseButton::left, {700, 200});
    panelState.frame = {100, 600, 100, 100};
    desktop().windowServer->updateOwnWindow(panelWindow, panelState);
    clock().runUntilIdle();
    EXPECT_EQ(panel.size(), 3u);
    // The monitors saw the user's moves only.
    EXPECT_EQ(seenByMonitors.size(), 2u);
}

TEST_F(InputTest, EventTapsSeeEventsFirstAndMaySwallowThem)
{
    world().setAccessibilityTrusted(false);
    EXPECT_FALSE(input->createEventTap(desktop::anyEventMask, [](const Event&) { return true; }));
    world().setAccessibilityTrusted(true);

    std::vector<std::string> seen;
    const auto strip = input->createEventTap(maskOf(EventType::leftMouseDown), [&](const Event& e) {
        seen.push_back("strip");
        return e.location.y > 130;  // swallows the top 30 points of the editor
    });
    const auto watcher =
        input->createEventTap(maskOf(EventType::leftMouseDown) | maskOf(EventType::leftMouseUp), [&](const Event&) {
            seen.push_back("watcher");
            return true;
        });
    ASSERT_TRUE(strip && watcher);
    int downs = 0;
    input->addGlobalMonitor(maskOf(EventType::leftMouseDown), [&](const Event&) { ++downs; });
    const auto click = [&](core::Point at) {
        input->userMouseDown(MouseButton::left, at);
        input->userMouseUp(MouseButton::left, at);
        clock().runUntilIdle();
    };

    click({200, 110});
    EXPECT_EQ(seen, (std::vector<std::string>{"strip", "watcher"})) << "a swallowed press goes no further";
    EXPECT_EQ(downs, 0);

    seen.clear();
    click({200, 200});
    EXPECT_EQ(seen, (std::vector<std::string>{"strip", "watcher", "watcher"}));
    EXPECT_EQ(downs, 1);

    seen.clear();
    input->setEventTapEnabled(*strip, false);
    input->removeEventTap(*watcher);
    click({200, 110});
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(downs, 2);

    // The application's own posted clicks pass the taps too.
    input->setEventTapEnabled(*strip, true);
    input->postEvent(mouseEvent(EventType::leftMouseDown, {200, 110}));
    clock().runUntilIdle();
    EXPECT_EQ(seen, (std::vector<std::string>{"strip"}));
    EXPECT_EQ(downs, 2);
    EXPECT_EQ(journalOf("event").size(), 1u);
}

TEST_F(InputTest, APostedScrollReachesTheOwnWindowUnderItWithItsMarker)
{
    std::vector<Event> received;
    const auto probe = addOwnWindow({700, 400, 120, 120}, received);
    input->warpPointer({10, 10});

    Event scroll;
    scroll.type = EventType::scrollWheel;
    scroll.location = {760, 460};
    scroll.scrollDeltaY = -30;
    scroll.userData = 219831408;
    input->postEvent(scroll);
    clock().runUntilIdle();

    const auto posted = journalOf("event");
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0]["type"], "scrollWheel");
    EXPECT_EQ(posted[0]["window"], probe);
    EXPECT_EQ(posted[0]["deltaY"], -30.0);
    EXPECT_EQ(posted[0]["userData"], 219831408);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].userData, 219831408);
    EXPECT_EQ(received[0].scrollDeltaY, -30);
    EXPECT_EQ(input->pointerLocation(), (core::Point{10, 10})) << "scrolling does not move the pointer";
}

TEST_F(InputTest, KeysGoToTheFrontmostApplication)
{
    std::vector<Event> received;
    const auto own = addOwnWindow({600, 100, 200, 150}, received);
    std::vector<Event> global;
    std::vector<Event> local;
    input->addGlobalMonitor(maskOf(EventType::keyDown), [&](const Event& e) { global.push_back(e); });
    input->addLocalMonitor(maskOf(EventType::keyDown), [&](const Event& e) -> std::optional<Event> {
        local.push_back(e);
        if (e.keyCode == desktop::key::escape) return std::nullopt;
        return e;
    });

    input->userKeyDown(desktop::key::escape);
    clock().runUntilIdle();
    ASSERT_EQ(global.size(), 1u);
    EXPECT_EQ(global[0].targetWindow, editorWindow);
    EXPECT_TRUE(local.empty());

    world().setFrontmost(world().ownPid());
    input->userKeyDown(desktop::key::escape);
    input->userKeyDown(desktop::key::a);
    clock().runUntilIdle();
    EXPECT_EQ(global.size(), 1u);
    EXPECT_EQ(local.size(), 2u);
    ASSERT_EQ(received.size(), 1u) << "escape was swallowed";
    EXPECT_EQ(received[0].keyCode, desktop::key::a);
    EXPECT_EQ(received[0].targetWindow, own);
}

TEST_F(InputTest, ModifierKeysChangeFlagsPerSide)
{
    std::vector<Event> events;
    input->addGlobalMonitor(desktop::anyEventMask, [&](const Event& e) { events.push_back(e); });

    input->userKeyDown(desktop::key::rightOption);
    EXPECT_TRUE(input->isKeyDown(desktop::key::rightOption));
    EXPECT_EQ(input->modifierFlags(), mod::option | mod::rightOption);
    input->userKeyDown(desktop::key::option);
    input->userKeyUp(desktop::key::rightOption);
    EXPECT_EQ(input->modifierFlags(), mod::option | mod::leftOption) << "the other side still holds the flag";
    input->userKeyUp(desktop::key::option);
    EXPECT_EQ(input->modifierFlags(), 0u);

    // fn has a key state that a poll can read, and its flag.
    input->userKeyDown(desktop::key::function);
    EXPECT_TRUE(input->isKeyDown(desktop::key::function));
    EXPECT_EQ(input->modifierFlags(), mod::function);
    input->userKeyUp(desktop::key::function);
    EXPECT_FALSE(input->isKeyDown(desktop::key::function));

    clock().runUntilIdle();
    ASSERT_EQ(events.size(), 6u);
    for (const auto& e : events) EXPECT_EQ(e.type, EventType::flagsChanged);
    EXPECT_EQ(events[0].keyCode, desktop::key::rightOption);
    EXPECT_EQ(events[0].modifierFlags, mod::option | mod::rightOption);
    EXPECT_EQ(events[2].keyCode, desktop::key::rightOption);
    EXPECT_EQ(events[2].modifierFlags, mod::option | mod::leftOption);
    EXPECT_EQ(events[3].modifierFlags, 0u);
    EXPECT_EQ(events[4].keyCode, desktop::key::function);
    EXPECT_EQ(events[4].modifierFlags, mod::function);
}

TEST_F(InputTest, NamedModifiersHoldForTheirKeyEventOnly)
{
    std::vector<Event> events;
    input->addGlobalMonitor(desktop::anyEventMask, [&](const Event& e) { events.push_back(e); });

    input->userKeyDown(desktop::key::p, {"cmd", "shift"});
    EXPECT_TRUE(input->isKeyDown(desktop::key::p));
    EXPECT_FALSE(input->isKeyDown(desktop::key::command));
    EXPECT_EQ(input->modifierFlags(), 0u);
    input->userKeyDown(desktop::key::control);
    input->userKeyUp(desktop::key::p, {"fn"});
    EXPECT_FALSE(input->isKeyDown(desktop::key::p));
    clock().runUntilIdle();

    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].type, EventType::keyDown);
    EXPECT_EQ(events[0].modifierFlags, mod::command | mod::leftCommand | mod::shift | mod::leftShift);
    EXPECT_EQ(events[2].type, EventType::keyUp);
    EXPECT_EQ(events[2].modifierFlags, mod::function | mod::control | mod::leftControl) << "named and held together";
}

TEST_F(InputTest, PointerMovesAreJournaled)
{
    desktop::DisplayInfo second;
    second.id = 2;
    second.frame = second.visibleFrame = core::Rect(1512, -100, 1920, 1080);
    world().addDisplay(second);

    EXPECT_EQ(input->warpPointer({-100, 491}), 0);
    EXPECT_EQ(input->pointerLocation(), (core::Point{-100, 491})) << "outside every display, as the user left it";
    EXPECT_EQ(input->moveCursorToPoint(2, {16, 20}), 0);
    EXPECT_EQ(input->pointerLocation(), (core::Point{1528, -80}));
    EXPECT_EQ(input->moveCursorToPoint(7, {16, 20}), 1001);
    EXPECT_EQ(input->pointerLocation(), (core::Point{1528, -80}));
    input->associateMouseAndCursor(true);

    ASSERT_EQ(journalOf("pointer.warp").size(), 1u);
    EXPECT_EQ(journalOf("pointer.warp")[0]["to"], nlohmann::json::array({-100.0, 491.0}));
    const auto moves = journalOf("pointer.moveOnDisplay");
    ASSERT_EQ(moves.size(), 2u);
    EXPECT_EQ(moves[1]["display"], 7);
    EXPECT_EQ(moves[1]["result"], 1001);
    ASSERT_EQ(journalOf("pointer.associate").size(), 1u);
    EXPECT_EQ(journalOf("pointer.associate")[0]["connected"], true);
}

TEST_F(InputTest, IgnoredWarpsAnswerSuccessAndMoveNothing)
{
    EXPECT_EQ(input->warpPointer({300, 200}), 0);
    input->setIgnoreWarps(true);
    EXPECT_EQ(input->warpPointer({10, 10}), 0);
    EXPECT_EQ(input->moveCursorToPoint(1, {20, 20}), 0);
    EXPECT_EQ(input->moveCursorToPoint(7, {20, 20}), 0) << "not even an unknown display is refused";
    EXPECT_EQ(input->pointerLocation(), (core::Point{300, 200}));
    input->userMouseMove({50, 60});
    EXPECT_EQ(input->pointerLocation(), (core::Point{50, 60})) << "the user still moves it";
    input->setIgnoreWarps(false);
    EXPECT_EQ(input->warpPointer({10, 10}), 0);
    EXPECT_EQ(input->pointerLocation(), (core::Point{10, 10}));
    EXPECT_EQ(journalOf("pointer.warp").size(), 3u) << "every call is journaled";

    input->beep();
    ASSERT_EQ(journalOf("beep").size(), 1u);
    EXPECT_EQ(journalOf("beep")[0].size(), 2u) << "the time and what it did, nothing more";
}

TEST_F(InputTest, ARemovedMonitorIsNotCalledAgainEvenForTheEventUnderWay)
{
    int second = 0;
    desktop::Token secondToken = 0;
    const auto first =
        input->addGlobalMonitor(maskOf(EventType::mouseMoved), [&](const Event&) { input->removeMonitor(secondToken); });
    secondToken = input->addGlobalMonitor(maskOf(EventType::mouseMoved), [&](const Event&) { ++second; });

    input->userMouseMove({300, 200});
    clock().runUntilIdle();
    EXPECT_EQ(second, 0);

    int third = 0;
    input->removeMonitor(first);
    input->addGlobalMonitor(maskOf(EventType::mouseMoved), [&](const Event&) { ++third; });
    input->userMouseMove({310, 200});
    input->userMouseMove({320, 200});
    clock().runUntilIdle();
    EXPECT_EQ(third, 2);
}

}  // namespace
