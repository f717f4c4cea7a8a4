// What the hover poll's pointer read costs the thread that asks while 16 clients keep the
// server busy: a read that waits for the server's answer, and one that takes the answer
// to the request of the read before. Real time, as the server does the work.
#include "X11BenchDisplay.h"

#include "platform/x11/X11Input.h"
#include "platform/x11/X11KeyMap.h"

#include <benchmark/benchmark.h>

namespace {

template <class Read>
void measurePointerRead(benchmark::State& state, Read read)
{
    const auto connection = openBenchDisplay();
    BusyClients clients;
    x11::X11Input input(connection, std::make_shared<x11::X11KeyMap>(connection->xcb()));
    for (auto _ : state) benchmark::DoNotOptimize(read(input));
}

void BM_X11PointerBusyServer(benchmark::State& state)
{
    measurePointerRead(state, [](x11::X11Input& input) { return input.pointerLocation(); });
}
BENCHMARK(BM_X11PointerBusyServer)->UseRealTime()->Unit(benchmark::kMicrosecond);

void BM_X11PolledPointerBusyServer(benchmark::State& state)
{
    measurePointerRead(state, [](x11::X11Input& input) { return input.polledPointerLocation(); });
}
BENCHMARK(BM_X11PolledPointerBusyServer)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace
