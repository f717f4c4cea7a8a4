// The X server's own cost next to what the desktop asks of it: one request answered
// (the yardstick), the on-screen window list of a desktop with 30 clients, and the same
// list while 16 clients keep the server busy redrawing, next to its floor: a copy of a
// list of that size. Real time, as the server does the work.
#include "X11BenchDisplay.h"

#include "platform/dispatch/ThreadScheduler.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11WindowServer.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int clientCount = 30;

// Small managed windows of a client of the benchmark's own.
class SmallWindows {
public:
    SmallWindows()
    {
        for (int i = 0; i < clientCount; ++i)
            client_.mappedWindow(std::int16_t(40 * i), std::int16_t(30 * i), 160, 120, false);
        client_.sync();
    }

private:
    BenchClient client_;
};

std::size_t onScreenCount(x11::X11WindowServer& server)
{
    const auto list = server.windowList(desktop::WindowListOption::onScreenOnly);
    return list ? list->size() : 0;
}

void BM_X11RoundTrip(benchmark::State& state)
{
    const auto connection = openBenchDisplay();
    for (auto _ : state)
        std::free(xcb_get_input_focus_reply(connection->xcb(), xcb_get_input_focus(connection->xcb()), nullptr));
}
BENCHMARK(BM_X11RoundTrip)->UseRealTime()->Unit(benchmark::kMicrosecond);

// The on-screen list, once the window manager has listed and shown the clients.
template <class Clients>
void measureWindowList(benchmark::State& state, std::size_t listed)
{
    dispatch::install(std::make_shared<dispatch::ThreadScheduler>());
    {
        const auto connection = openBenchDisplay();
        Clients clients;
        x11::X11WindowServer server(connection, std::make_shared<x11::ClientFactsCache>(connection));
        // Busy clients starve the window manager that lists them; under a full machine some
        // stay unlisted, which is reported rather than measured.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (onScreenCount(server) < listed) {
            if (std::chrono::steady_clock::now() > deadline) {
                state.SkipWithError(("the window list holds " + std::to_string(onScreenCount(server)) + " of " +
                                     std::to_string(listed) + " windows after 20 s")
                                        .c_str());
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        for (auto _ : state) benchmark::DoNotOptimize(server.windowList(desktop::WindowListOption::onScreenOnly));
    }
    dispatch::install(nullptr);
}

void BM_X11WindowList(benchmark::State& state) { measureWindowList<SmallWindows>(state, clientCount); }
BENCHMARK(BM_X11WindowList)->UseRealTime()->Unit(benchmark::kMicrosecond);

void BM_X11WindowListBusyServer(benchmark::State& state) { measureWindowList<BusyClients>(state, BusyClients::count); }
BENCHMARK(BM_X11WindowListBusyServer)->UseRealTime()->Unit(benchmark::kMicrosecond);

// The floor of a list that asks the server nothing: a copy of as many entries.
void BM_WindowListCopyFloor(benchmark::State& state)
{
    std::vector<desktop::WindowInfo> list(BusyClients::count + 4);
    for (auto& info : list) {
        info.ownerName = "client";
        info.name = "a window of a client";
        info.bounds = core::Rect(0, 0, 960, 540);
    }
    for (auto _ : state) {
        auto copy = list;
        benchmark::DoNotOptimize(copy);
    }
}
BENCHMARK(BM_WindowListCopyFloor)->Unit(benchmark::kMicrosecond);

}  // namespace
