// One click posted through XTest until the pinned preview's global click decision has
// taken it: the server's raw event, its reading on the connection's event thread, the
// hop to the main queue and the decision. Real time, next to BM_X11RoundTrip.
//
// The click lands on the desktop of a display other than the pinned one, which the
// decision settles without asking the window list. A click into a managed window costs
// the window manager's own round on top: openbox holds every such click until it has
// decided on the focus.
#include "X11BenchDisplay.h"

#include "foundation/EventBridge.h"
#include "panels/GlobalClickDecision.h"
#include "platform/dispatch/MainWait.h"
#include "platform/dispatch/Queue.h"
#include "platform/dispatch/ThreadScheduler.h"
#include "platform/x11/X11Input.h"
#include "platform/x11/X11KeyMap.h"

#include <benchmark/benchmark.h>

#include <xcb/xtest.h>

#include <cstdlib>

namespace {

// The desktop's corner: no window lies there while the benchmarks run.
constexpr std::int16_t desktopX = 4;
constexpr std::int16_t desktopY = 4;

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
        xcb_test_fake_input(connection->xcb(), XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, connection->root(), desktopX,
                            desktopY, 0);

        ui::Screen clicked;
        clicked.frame = clicked.visibleFrame = core::Rect(-10000, -10000, 20000, 20000);
        ui::Screen pinned;
        pinned.displayID = 2;
        pinned.frame = pinned.visibleFrame = core::Rect(20000, 0, 1920, 1080);
        int decided = 0;
        pin::GlobalClickDecision::Kind last = pin::GlobalClickDecision::Kind::leave;
        const auto monitor = input.addGlobalMonitor(
            desktop::maskOf(desktop::EventType::leftMouseDown), [&](const desktop::Event& event) {
                pin::GlobalClick press;
                press.eventWindow = event.targetWindow;
                press.pointer = event.location;
                press.screens = {clicked, pinned};
                press.panelScreen = pinned;
                press.miniWindows = {{core::Rect(20400, 800, 480, 270), std::string("XTerm")}};
                press.lastForwardTime = EventBridge::lastForwardTime;
                press.now = dispatch::now();
                press.takeoverActive = true;
                press.targetWindow = 1;
                last = pin::decideGlobalClick(press).kind;
                ++decided;
            });
        const auto clickDecided = [&] {
            const int before = decided;
            click(*connection);
            return dispatch::runMainUntil([&] { return decided > before; }, 5);
        };
        if (!clickDecided() || last != pin::GlobalClickDecision::Kind::ignoreOtherScreen) std::abort();

        for (auto _ : state)
            if (!clickDecided()) std::abort();
        input.removeMonitor(monitor);
    }
    dispatch::install(nullptr);
}
BENCHMARK(BM_X11GlobalClick)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace
