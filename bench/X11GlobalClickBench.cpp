// One click posted through XTest until the pinned preview's global click decision has
// taken it: the server's raw event, its reading on the connection's event thread, the
// hop to the main queue and the decision. Real time, next to BM_X11RoundTrip.
//
// The click lands in the taken-over window, the click a pinned preview sees most: the
// user works in the window. That window bypasses the window manager here, as a click
// into a managed window costs the window manager's own round on top (openbox holds every
// such click until it has decided on the focus).
#include "X11BenchDisplay.h"

#include "foundation/EventBridge.h"
#include "panels/rules/GlobalClickDecision.h"
#include "platform/dispatch/MainWait.h"
#include "platform/dispatch/Queue.h"
#include "platform/dispatch/ThreadScheduler.h"
#include "platform/x11/X11Input.h"
#include "platform/x11/X11KeyMap.h"

#include <benchmark/benchmark.h>

#include <xcb/xtest.h>

#include <cstdlib>

namespace {

constexpr std::int16_t clickX = 40;
constexpr std::int16_t clickY = 40;

void click(x11::Connection& connection)
{
    auto* xcb = connection.xcb();
    xcb_test_fake_input(xcb, XCB_BUTTON_PRESS, 1, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0, 0);
    xcb_test_fake_input(xcb, XCB_BUTTON_RELEASE, 1, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0, 0);
    connection.flush();
}

void BM_X11GlobalClick(benchmark::State& state)
{
    dispatch::install(std::make_shared<dispatch::ThreadScheduler>());
    {
        const auto connection = openBenchDisplay();
        if (!connection->hasXTest() || !connection->hasXInput()) std::abort();
        x11::X11Input input(connection, std::make_shared<x11::X11KeyMap>(connection->xcb()));
        // The taken-over window, at the click point above everything.
        BenchClient takenOverClient;
        const xcb_window_t takenOver = takenOverClient.mappedWindow(0, 0, 200, 200, true);
        takenOverClient.sync();
        xcb_test_fake_input(connection->xcb(), XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, connection->root(), clickX,
                            clickY, 0);

        ui::Screen screen;
        screen.frame = screen.visibleFrame = core::Rect(-10000, -10000, 20000, 20000);
        int decided = 0;
        panels::GlobalClickDecision::Kind last = panels::GlobalClickDecision::Kind::leave;
        const auto monitor =
            input.addGlobalMonitor(desktop::maskOf(desktop::EventType::leftMouseDown), [&](const desktop::Event& event) {
                panels::GlobalClick press;
                press.eventWindow = event.targetWindow;
                press.pointer = event.location;
                press.screens = {screen};
                press.panelScreen = screen;
                press.miniWindows = {{core::Rect(5000, 5000, 480, 270), std::string("XTerm")}};
                press.lastForwardTime = EventBridge::lastForwardTime;
                press.now = dispatch::now();
                press.takeoverActive = true;
                press.targetWindow = takenOver;
                last = panels::decideGlobalClick(press).kind;
                ++decided;
            });
        const auto clickDecided = [&] {
            const int before = decided;
            click(*connection);
            return dispatch::runMainUntil([&] { return decided > before; }, 5);
        };
        if (!clickDecided() || last != panels::GlobalClickDecision::Kind::ignoreSourceWindow) std::abort();

        for (auto _ : state)
            if (!clickDecided()) std::abort();
        input.removeMonitor(monitor);
    }
    dispatch::install(nullptr);
}
BENCHMARK(BM_X11GlobalClick)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace
