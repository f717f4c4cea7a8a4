// The X server's own cost next to what the desktop asks of it: one request answered
// (the yardstick) and the on-screen window list of a desktop with 30 clients. Real time,
// as the server does the work.
#include "X11BenchDisplay.h"

#include "platform/dispatch/ThreadScheduler.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11WindowServer.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

constexpr int clientCount = 30;

// Small mapped windows of one client connection of the benchmark's own.
class SmallWindows {
public:
    SmallWindows()
    {
        connection_ = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(connection_)) std::abort();
        auto* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
        for (int i = 0; i < clientCount; ++i) {
            const xcb_window_t window = xcb_generate_id(connection_);
            xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window, screen->root, std::int16_t(40 * i),
                              std::int16_t(30 * i), 160, 120, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                              0, nullptr);
            xcb_map_window(connection_, window);
        }
        xcb_flush(connection_);
    }
    ~SmallWindows() { xcb_disconnect(connection_); }
    SmallWindows(const SmallWindows&) = delete;
    SmallWindows& operator=(const SmallWindows&) = delete;

private:
    xcb_connection_t* connection_ = nullptr;
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

void BM_X11WindowList(benchmark::State& state)
{
    dispatch::install(std::make_shared<dispatch::ThreadScheduler>());
    {
        const auto connection = openBenchDisplay();
        SmallWindows clients;
        x11::X11WindowServer server(connection);
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

}  // namespace
