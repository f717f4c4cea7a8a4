// The X server's own cost next to what the desktop asks of it: one request answered
// (the yardstick), the on-screen window list of a desktop with 30 clients, and the same
// list while 16 clients keep the server busy redrawing, next to its floor: a copy of a
// list of that size. Real time, as the server does the work.
#include "X11BenchDisplay.h"

#include "platform/dispatch/ThreadScheduler.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11WindowServer.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <list>
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

// Clients that redraw their whole window as fast as the server takes it, as a video does.
class BusyClients {
public:
    static constexpr int count = 16;
    static constexpr std::uint16_t width = 960, height = 540;

    BusyClients()
    {
        for (int i = 0; i < count; ++i) {
            auto& client = clients_.emplace_back();
            const auto window = client.mappedWindow(std::int16_t(20 * i), std::int16_t(20 * i), width, height, false);
            client.sync();
            drawers_.emplace_back([this, &client, window] { redraw(client, window); });
        }
    }
    ~BusyClients()
    {
        stop_ = true;
        for (auto& drawer : drawers_) drawer.join();
    }
    BusyClients(const BusyClients&) = delete;
    BusyClients& operator=(const BusyClients&) = delete;

private:
    void redraw(BenchClient& client, xcb_window_t window)
    {
        auto* xcb = client.xcb();
        const xcb_gcontext_t gc = xcb_generate_id(xcb);
        xcb_create_gc(xcb, gc, window, 0, nullptr);
        // One band at a time: a request has a size limit.
        constexpr std::uint16_t band = 60;
        std::vector<std::uint8_t> pixels(std::size_t(width) * band * 4);
        for (std::uint8_t shade = 0; !stop_; ++shade) {
            std::fill(pixels.begin(), pixels.end(), shade);
            for (std::uint16_t y = 0; y < height; y += band)
                xcb_put_image(xcb, XCB_IMAGE_FORMAT_Z_PIXMAP, window, gc, width, band, 0, std::int16_t(y), 0, 24,
                              std::uint32_t(pixels.size()), pixels.data());
            client.sync();
        }
    }

    std::list<BenchClient> clients_;
    std::vector<std::thread> drawers_;
    std::atomic<bool> stop_{false};
};

void BM_X11RoundTrip(benchmark::State& state)
{
    const auto connection = openBenchDisplay();
    for (auto _ : state)
        std::free(xcb_get_input_focus_reply(connection->xcb(), xcb_get_input_focus(connection->xcb()), nullptr));
}
BENCHMARK(BM_X11RoundTrip)->UseRealTime()->Unit(benchmark::kMicrosecond);

void BM_X11WindowList(benchmark::State& state)
{
    dispatch::install(std::make_shared<dispatch::ThreadScheduler>());
    {
        const auto connection = openBenchDisplay();
        SmallWindows clients;
        x11::X11WindowServer server(connection, std::make_shared<x11::ClientFactsCache>(connection));
        // Until the window manager has listed and shown them all.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (onScreenCount(server) < clientCount) {
            if (std::chrono::steady_clock::now() > deadline) std::abort();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        for (auto _ : state) benchmark::DoNotOptimize(server.windowList(desktop::WindowListOption::onScreenOnly));
    }
    dispatch::install(nullptr);
}
BENCHMARK(BM_X11WindowList)->UseRealTime()->Unit(benchmark::kMicrosecond);

void BM_X11WindowListBusyServer(benchmark::State& state)
{
    dispatch::install(std::make_shared<dispatch::ThreadScheduler>());
    {
        const auto connection = openBenchDisplay();
        BusyClients clients;
        x11::X11WindowServer server(connection, std::make_shared<x11::ClientFactsCache>(connection));
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (onScreenCount(server) < BusyClients::count) {
            if (std::chrono::steady_clock::now() > deadline) std::abort();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        for (auto _ : state) benchmark::DoNotOptimize(server.windowList(desktop::WindowListOption::onScreenOnly));
    }
    dispatch::install(nullptr);
}
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
