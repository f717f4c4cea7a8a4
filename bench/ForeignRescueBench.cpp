// One foreign-window scan of the crowded desktop (500 windows, a virtual display with a
// few strays on it), next to BM_WindowList500's plain on-screen list read of the same
// windows.
#include "BenchFolder.h"
#include "CrowdedWorld.h"
#include "parking/display/DisplayController.h"
#include "parking/ledger/ParkingController.h"
#include "platform/desktop/Desktop.h"
#include "platform/dispatch/ManualScheduler.h"
#include "platform/sim/SimDesktop.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

namespace {

constexpr int strayCount = 20;

struct ForeignScanFixture {
    ForeignScanFixture()
    {
        ::setenv("XDG_CONFIG_HOME", benchFolder().c_str(), 1);
        dispatch::install(scheduler);
        world = crowdedWorld();
        desktop::install(sim::makeSimDesktop(world));
        const auto virtualDisplay = displays.ensureDisplay(1);
        if (!virtualDisplay) std::abort();
        const core::Rect onVirtual = desktop::displays().display(*virtualDisplay)->frame;
        for (int i = 0; i < strayCount; ++i) {
            const auto id = static_cast<desktop::WindowID>(1001 + i * 23);
            world->setFrame(id, core::Rect(onVirtual.minX() + 40 + 30 * i, onVirtual.minY() + 40 + 20 * i, 400, 300));
        }
        parking = std::make_shared<parking::ParkingController>(queue, displays);
    }
    ~ForeignScanFixture()
    {
        parking.reset();
        displays.terminateAll();
        desktop::install(nullptr);
        dispatch::install(nullptr);
    }

    std::shared_ptr<dispatch::ManualScheduler> scheduler = std::make_shared<dispatch::ManualScheduler>();
    std::shared_ptr<sim::SimWorld> world;
    parking::DisplayController displays;
    dispatch::Queue queue{"bench.windowparking"};
    std::shared_ptr<parking::ParkingController> parking;
};

void BM_ForeignCandidates500(benchmark::State& state)
{
    ForeignScanFixture fixture;
    std::size_t found = 0;
    for (auto _ : state) {
        fixture.queue.sync([&] {
            auto candidates = fixture.parking->foreignWindowCandidates();
            found = candidates.size();
            benchmark::DoNotOptimize(candidates);
        });
    }
    state.counters["candidates"] = static_cast<double>(found);
}
BENCHMARK(BM_ForeignCandidates500);

// The list read alone, on the same desktop: what the scan costs beyond its one read.
void BM_ForeignWorldList500(benchmark::State& state)
{
    ForeignScanFixture fixture;
    for (auto _ : state) {
        fixture.queue.sync([&] {
            auto list = desktop::windowServer().windowList(desktop::WindowListOption::onScreenOnly, 0, true);
            benchmark::DoNotOptimize(list);
        });
    }
}
BENCHMARK(BM_ForeignWorldList500);

}  // namespace
